#include "configuredevicewidget.h"

#include "configuredevicesession.h"
#include "filetransferwidget.h"
#include "guardedmessagebox.h"
#include "ipconfigwidget.h"
#include "logindialog.h"
#include "settimewidget.h"
#include "ui_configuredevicewidget.h"

#include <QIcon>

ConfigureDeviceWidget::ConfigureDeviceWidget(QWidget *parent, AxSignalObject *upstream,
                                             const ArdentixDevice &device, int optionFlags)
    : AxSignalWidget(parent, upstream)
    , ui(new Ui::ConfigureDeviceWidget)
    , m_session(new ConfigureDeviceSession(bus, device, this))
    , optionFlags(optionFlags)
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral("./images/icon.ico")));
    setAttribute(Qt::WA_DeleteOnClose);
    ui->deviceNameLabel->setText(device.configTitle);
    ui->deviceIpLabel->setText(device.ipAddress.toString());

    // The device's clock is read and set over JSON-RPC only.
    ui->synchTimeButton->setEnabled(false);
    if (device.isOnJsonRoute()) {
        ui->synchTimeButton->setEnabled(true);
        ui->sendFileButton->setEnabled(true);
    }

    connect(m_session, &ConfigureDeviceSession::loginRequested, this, &ConfigureDeviceWidget::askForLogin);
    connect(m_session, &ConfigureDeviceSession::loginAccepted, this, &ConfigureDeviceWidget::unlock);
    connect(m_session, &ConfigureDeviceSession::loginCancelled, this, &QWidget::close);
    show();

    if (m_session->requiresLogin()) {
        setLocked(true);
        m_session->beginLogin();
    }
}

// The windows opened here stay open, chained through this window's bus, which
// outlives it for them; only the login dialog answers this window alone.
ConfigureDeviceWidget::~ConfigureDeviceWidget()
{
    if (m_loginDialog)
        m_loginDialog->close();
    delete ui;
}

void ConfigureDeviceWidget::setLocked(bool locked)
{
    ui->functionFrame->setEnabled(!locked);
    ui->navigationFrame->setEnabled(!locked);
}

void ConfigureDeviceWidget::on_cancelButton_clicked()
{
    close();
}

void ConfigureDeviceWidget::on_restartDeviceButton_clicked()
{
    const int answer = GuardedMessageBox::ask(this, QMessageBox::Information, QStringLiteral("Restart Device"),
                                              QStringLiteral("Are you sure you want to restart this device?"),
                                              {QStringLiteral("Restart"), QStringLiteral("Cancel")});
    if (answer != 0)
        return;
    m_session->restart();
    close();
}

void ConfigureDeviceWidget::on_synchTimeButton_clicked()
{
    if (!setTimeWidget) {
        setTimeWidget = new SetTimeWidget(nullptr, bus, m_session->device());
        connect(setTimeWidget, &QObject::destroyed, this, &ConfigureDeviceWidget::closeSetTimeWidget);
        setTimeWidget->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_session->requestDeviceTime();
    setTimeWidget->show();
}

void ConfigureDeviceWidget::on_setIpButton_clicked()
{
    m_session->requestNetworkSettings();
    if (networkSettingsWidget)
        return;   // it takes the new copy of the file
    networkSettingsWidget = new IpConfigWidget(nullptr, bus, m_session->device());
    connect(networkSettingsWidget, &QObject::destroyed, this, &ConfigureDeviceWidget::closeConfigWidget);
    connect(networkSettingsWidget, &IpConfigWidget::close_widget, this, &AxSignalWidget::set_widget_tree_close);
    networkSettingsWidget->setAttribute(Qt::WA_DeleteOnClose);
    networkSettingsWidget->show();
}

void ConfigureDeviceWidget::on_sendFileButton_clicked()
{
    if (fileTransferWidget)
        return;
    fileTransferWidget = new FileTransferWidget(nullptr, bus, m_session->device(), optionFlags);
    connect(fileTransferWidget, &QObject::destroyed, this, &ConfigureDeviceWidget::closeFileWidget);
    connect(fileTransferWidget, &FileTransferWidget::close_widget, this, &AxSignalWidget::set_widget_tree_close);
    fileTransferWidget->setAttribute(Qt::WA_DeleteOnClose);
    fileTransferWidget->show();
}

void ConfigureDeviceWidget::closeConfigWidget()
{
    networkSettingsWidget = nullptr;
    if (treeClosing)
        close();
}

void ConfigureDeviceWidget::closeFileWidget()
{
    fileTransferWidget = nullptr;
    if (treeClosing)
        close();
}

void ConfigureDeviceWidget::closeSetTimeWidget()
{
    setTimeWidget = nullptr;
}

// One dialog at a time; a refused login asks again with the message.
void ConfigureDeviceWidget::askForLogin(const QString &message)
{
    if (m_loginDialog)
        m_loginDialog->close();
    m_loginDialog = new LoginDialog(nullptr, m_session->device(), message);
    m_loginDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_loginDialog, &LoginDialog::login, m_session, &ConfigureDeviceSession::login);
    m_loginDialog->show();
}

void ConfigureDeviceWidget::unlock()
{
    setLocked(false);
}
