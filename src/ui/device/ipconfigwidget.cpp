#include "ipconfigwidget.h"

#include "guardedmessagebox.h"
#include "logindialog.h"
#include "networksettingssession.h"
#include "ui_ipconfigwidget.h"

#include <QIcon>

namespace {

const char *const kValidStyle = "background-color: #33FF33";
const char *const kInvalidStyle = "background-color: #FF3333";
const int kN2RowGrowth = 30;
const int kDnsRowsGrowth = 60;

} // namespace

IpConfigWidget::IpConfigWidget(QWidget *parent, AxSignalObject *upstream, const ArdentixDevice &device)
    : AxSignalWidget(parent, upstream)
    , ui(new Ui::IpConfigWidget)
    , m_session(new NetworkSettingsSession(bus, device, this))
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Device Network Settings"));
    setWindowIcon(QIcon(QStringLiteral("./images/icon.ico")));
    ui->deviceIpLabel->setText(device.ipAddress.toString());
    ui->deviceNameLabel->setText(device.configTitle);
    ui->loadingFrame->show();
    for (int row = 0; row < NetworkSettings::RowCount; ++row)
        rowWidgets(NetworkSettings::Row(row)).frame->hide();

    for (int row = 0; row < NetworkSettings::RowCount; ++row) {
        auto *combo = qobject_cast<QComboBox *>(rowWidgets(NetworkSettings::Row(row)).editor);
        if (!combo)
            continue;
        connect(combo, &QComboBox::currentIndexChanged, m_session, [this, combo, row] {
            m_session->setValue(NetworkSettings::Row(row), combo->currentText().toUpper());
        });
    }
    connect(m_session, &NetworkSettingsSession::settingsRead, this, &IpConfigWidget::showSettings);
    connect(m_session, &NetworkSettingsSession::readFailed, this, &IpConfigWidget::showReadError);
    connect(m_session, &NetworkSettingsSession::sendingChanged, this, &IpConfigWidget::showSending);
    connect(m_session, &NetworkSettingsSession::localCopyFailed, this, &IpConfigWidget::showLocalCopyError);
    connect(m_session, &NetworkSettingsSession::updated, this, &IpConfigWidget::finishUpdate);
    // Asked from the event loop, not from inside the transfer that reported:
    // the boxes and dialogs run nested loops.
    connect(m_session, &NetworkSettingsSession::loginRequested, this, &IpConfigWidget::askForLogin,
            Qt::QueuedConnection);
    connect(m_session, &NetworkSettingsSession::sendTimedOut, this, &IpConfigWidget::askToRetry,
            Qt::QueuedConnection);
}

IpConfigWidget::~IpConfigWidget()
{
    if (m_loginDialog)
        m_loginDialog->close();
    delete ui;
}

IpConfigWidget::RowWidgets IpConfigWidget::rowWidgets(NetworkSettings::Row row) const
{
    switch (row) {
    case NetworkSettings::N1Ip: return {ui->n1IpFrame, ui->n1IpEdit};
    case NetworkSettings::N1Netmask: return {ui->n1NetmaskFrame, ui->n1NetmaskEdit};
    case NetworkSettings::N1Gateway: return {ui->n1defaultGatewayFrame, ui->N1defaultGatewayEdit};
    case NetworkSettings::N1DhcpClient: return {ui->n1DHCPClientFrame, ui->n1DHCPClientCombo};
    case NetworkSettings::N1DhcpServer: return {ui->n1DHCPServerFrame, ui->n1DHCPServerCombo};
    case NetworkSettings::Dns1: return {ui->DNS1Frame, ui->DNS1Edit};
    case NetworkSettings::Dns2: return {ui->DNS2Frame, ui->DNS2Edit};
    case NetworkSettings::N2Ip: return {ui->n2IpFrame, ui->n2IpEdit};
    case NetworkSettings::N2Netmask: return {ui->n2NetmaskFrame, ui->n2NetmaskEdit};
    case NetworkSettings::N2Gateway: return {ui->n2defaultGatewayFrame, ui->N2defaultGatewayEdit};
    case NetworkSettings::N2DhcpClient: return {ui->n2DHCPClientFrame, ui->n2DHCPClientCombo};
    case NetworkSettings::N2DhcpServer: return {ui->n2DHCPServerFrame, ui->n2DHCPServerCombo};
    case NetworkSettings::RowCount: break;
    }
    return {nullptr, nullptr};
}

void IpConfigWidget::on_cancelIpButton_clicked()
{
    close();
}

void IpConfigWidget::on_updateIpButton_clicked()
{
    const int answer = GuardedMessageBox::ask(
        this, QMessageBox::Information, QStringLiteral("Change IP Settings"),
        QStringLiteral("Are you sure you want to change the IP settings?\nWarning, this will restart the device."),
        {QStringLiteral("Change and restart"), QStringLiteral("Cancel")});
    if (answer == 0)
        m_session->update();
}

void IpConfigWidget::on_n1IpEdit_textEdited(const QString &text)
{
    check_ip_format(text, ui->n1IpEdit, NetworkSettings::N1Ip);
}

void IpConfigWidget::on_n1NetmaskEdit_textEdited(const QString &text)
{
    check_ip_format(text, ui->n1NetmaskEdit, NetworkSettings::N1Netmask);
}

void IpConfigWidget::on_N1defaultGatewayEdit_textEdited(const QString &text)
{
    check_ip_format(text, ui->N1defaultGatewayEdit, NetworkSettings::N1Gateway);
}

void IpConfigWidget::on_n2IpEdit_textEdited(const QString &text)
{
    check_ip_format(text, ui->n2IpEdit, NetworkSettings::N2Ip);
}

void IpConfigWidget::on_n2NetmaskEdit_textEdited(const QString &text)
{
    check_ip_format(text, ui->n2NetmaskEdit, NetworkSettings::N2Netmask);
}

void IpConfigWidget::on_N2defaultGatewayEdit_textEdited(const QString &text)
{
    check_ip_format(text, ui->N2defaultGatewayEdit, NetworkSettings::N2Gateway);
}

void IpConfigWidget::on_DNS1Edit_textEdited(const QString &text)
{
    check_ip_format(text, ui->DNS1Edit, NetworkSettings::Dns1);
}

void IpConfigWidget::on_DNS2Edit_textEdited(const QString &text)
{
    check_ip_format(text, ui->DNS2Edit, NetworkSettings::Dns2);
}

void IpConfigWidget::check_ip_format(const QString &text, QLineEdit *edit, NetworkSettings::Row row)
{
    markAddress(edit, m_session->setValue(row, text));
    ui->updateIpButton->setEnabled(m_session->canUpdate());
}

void IpConfigWidget::markAddress(QLineEdit *edit, bool valid)
{
    edit->setStyleSheet(QLatin1String(valid ? kValidStyle : kInvalidStyle));
}

void IpConfigWidget::showSettings(int n2LinesShown, bool dnsShown)
{
    const NetworkSettings &settings = m_session->settings();
    for (int index = 0; index < NetworkSettings::RowCount; ++index) {
        const auto row = NetworkSettings::Row(index);
        const RowWidgets widgets = rowWidgets(row);
        widgets.frame->setVisible(settings.isPresent(row));
        if (auto *combo = qobject_cast<QComboBox *>(widgets.editor)) {
            combo->setCurrentIndex(settings.value(row) == NetworkSettings::Disabled ? 1 : 0);
            continue;
        }
        auto *edit = static_cast<QLineEdit *>(widgets.editor);
        edit->setText(settings.value(row));
        // A shown address the device's file got wrong is marked, as Update waits for it.
        if (settings.isPresent(row) && !NetworkSettings::isDottedQuad(settings.value(row)))
            markAddress(edit, false);
        else
            edit->setStyleSheet(QString());
    }
    resize(width(), height() + kN2RowGrowth * n2LinesShown + (dnsShown ? kDnsRowsGrowth : 0));
    ui->loadingFrame->hide();
    ui->updateIpButton->setEnabled(m_session->canUpdate());
}

void IpConfigWidget::showReadError()
{
    ui->waitLabel->setText(QStringLiteral("Error reading network settings."));
}

void IpConfigWidget::showSending(bool sending)
{
    ui->frame->setEnabled(!sending);
    ui->updateIpButton->setEnabled(m_session->canUpdate());
}

void IpConfigWidget::showLocalCopyError(const QString &path, const QString &reason)
{
    GuardedMessageBox::tell(this, QMessageBox::Critical, QStringLiteral("Change IP Settings"),
                            QStringLiteral("The network settings could not be written to %1: %2")
                                .arg(path, reason));
}

void IpConfigWidget::askForLogin()
{
    if (m_loginDialog)
        return;
    m_loginDialog = new LoginDialog(nullptr, m_session->device(), QString());
    m_loginDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_loginDialog, &LoginDialog::login, m_session, &NetworkSettingsSession::login);
    // Closed without an answer, it counts as cancelled: the settings become editable again.
    NetworkSettingsSession *session = m_session;
    connect(m_loginDialog, &QObject::destroyed, session, [session] { session->login(QString(), QString()); });
    m_loginDialog->show();
}

void IpConfigWidget::askToRetry()
{
    const int answer = GuardedMessageBox::ask(
        this, QMessageBox::Information, QStringLiteral("Change IP Settings Time Out"),
        QStringLiteral("The process timed out. Do you want to retry?\nWarning, this will restart the device"),
        {QStringLiteral("Retry"), QStringLiteral("Cancel")});
    if (answer == 0)
        m_session->update();
}

void IpConfigWidget::finishUpdate()
{
    emit close_widget(true);
    close();
}
