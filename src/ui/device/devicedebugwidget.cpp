#include "devicedebugwidget.h"

#include "guardedmessagebox.h"
#include "logindialog.h"
#include "ui_devicedebugwidget.h"

#include "platform/fileexplorer.h"
#include "ui/device/diagnostics/kovdebugarguments.h"

#include <QDebug>
#include <QIcon>
#include <QPointer>

namespace {

const QTime kDefaultPeriod(0, 5, 0);
const QString kIdleStatus = QStringLiteral("Set capture period");

} // namespace

DeviceDebugWidget::DeviceDebugWidget(QWidget *parent, RUN_MODE, AxSignalObject *upstream,
                                     const ArdentixDevice &device, int jsonDeadlineMs)
    : AxSignalWidget(parent, upstream)
    , ui(new Ui::DeviceDebugWidget)
    , run(nullptr)
    , savedPeriod(kDefaultPeriod)
{
    ui->setupUi(this);
    // Fonts wider than the form was drawn for must not cut the test's label short.
    ui->label_3->setMaximumWidth(qMax(ui->label_3->maximumWidth(), ui->label_3->sizeHint().width()));
    ui->flagsFrame->hide();

    setWindowTitle(QStringLiteral("Device Diagnostics"));
    setWindowIcon(QIcon(QStringLiteral("./images/icon.ico")));
    ui->deviceIpLabel->setText(device.ipAddress.toString());
    ui->deviceNameLabel->setText(device.configTitle);
    ui->timestampFrame->hide();
    ui->progressBar->hide();

    run = new DiagnosticRun(bus, device, jsonDeadlineMs, this);
    connect(run, &DiagnosticRun::captureStarting, this, &DeviceDebugWidget::showCaptureStarting);
    connect(run, &DiagnosticRun::statusChanged, ui->setTimeLabel, &QLabel::setText);
    connect(run, &DiagnosticRun::timeLeftChanged, ui->timeEdit, &QTimeEdit::setTime);
    connect(run, &DiagnosticRun::eventsToTrigger, this, &DeviceDebugWidget::showEventsToTrigger);
    connect(run, &DiagnosticRun::givingUp, this, &DeviceDebugWidget::showGivingUp);
    connect(run, &DiagnosticRun::aborted, this, &DeviceDebugWidget::showIdle);
    connect(run, &DiagnosticRun::completed, this, &DeviceDebugWidget::showCompleted);
    connect(run, &DiagnosticRun::collectedNothing, this, &DeviceDebugWidget::showCollectedNothing);

    ui->diagnosticTestComboBox->setCurrentIndex(TEST_FULL_DIAGNOSTIC);
    on_diagnosticTestComboBox_activated(TEST_FULL_DIAGNOSTIC);

    if (bus) {
        connect(bus, &AxSignalObject::_signal_down_user_authenticated,
                this, &DeviceDebugWidget::device_login_authenticated);
    }

    show();

    if (device.passwordRequired) {
        ui->closeFrame->setEnabled(false);
        ui->diagnosticFrame->setEnabled(false);
        if (device.username.isEmpty())
            askForLogin();
        else if (bus)
            emit bus->_signal_up_set_device_credentials(device);
    }
}

DeviceDebugWidget::~DeviceDebugWidget()
{
    delete ui;
}

// ---- Controls ----

void DeviceDebugWidget::on_diagnosticTestComboBox_activated(int index)
{
    if (index < TEST_SNAPSHOT || index > TEST_FULL_DIAGNOSTIC)
        return;
    if (index == TEST_SNAPSHOT) {
        ui->setTimeFrame->setEnabled(false);
        ui->timeEdit->setTime(QTime(0, 0));
        ui->timestampFrame->hide();
        ui->msgLogframe->hide();
    } else {
        ui->setTimeFrame->setEnabled(true);
        ui->timeEdit->setTime(savedPeriod);
        ui->timestampFrame->show();
        ui->msgLogframe->setVisible(index == TEST_FULL_DIAGNOSTIC);
        ui->timestampFrame->setEnabled(true);
        ui->msgLogframe->setEnabled(true);
    }
    ui->advancedOptionsframe->setEnabled(true);
    ui->flagsFrame->setEnabled(true);
}

void DeviceDebugWidget::on_advancedOptionsCheckBox_clicked(bool checked)
{
    ui->flagsFrame->setVisible(checked);
}

void DeviceDebugWidget::on_startDebugButton_clicked()
{
    if (!ui->startDebugButton->isChecked()) {
        askToAbort();
        return;
    }
    ui->startDebugButton->setText(QStringLiteral("Abort Diagnostic"));
    if (ui->setTimeFrame->isEnabled())
        savedPeriod = ui->timeEdit->time();
    ui->diagnosticTestComboBox->setEnabled(false);
    ui->close_button->setEnabled(false);
    run->start(chosenOptions());
    ui->timestampFrame->setEnabled(false);
    ui->advancedOptionsframe->setEnabled(false);
    ui->flagsFrame->setEnabled(false);
    ui->msgLogframe->setEnabled(false);
}

// The controls are locked while a run goes, so what they hold at the start holds for the whole run.
DiagnosticRunOptions DeviceDebugWidget::chosenOptions() const
{
    DiagnosticRunOptions options;
    options.test = ui->diagnosticTestComboBox->currentIndex();
    options.period = ui->timeEdit->time();
    options.timestamped = ui->timestampCheckBox->isChecked();
    options.messageLog = ui->msgLogCheckBox->isChecked();
    if (ui->advancedOptionsCheckBox->isChecked())
        options.additionalFlags = KovdebugArguments::splitAdditionalFlags(ui->additionalFlagsEdit->text());
    return options;
}

// The click has unchecked the button already: "Cancel" checks it again, so the
// next click asks again instead of starting a second run over this one.
void DeviceDebugWidget::askToAbort()
{
    QPointer<DeviceDebugWidget> alive(this);
    const int answer = GuardedMessageBox::ask(
        this, QMessageBox::Information, QStringLiteral("Abort Diagnostic Test?"),
        QStringLiteral("All captured data will be lost. Are you sure you want to abort the diagnostic test?"),
        {QStringLiteral("Abort Test"), QStringLiteral("Cancel")});
    // The run may have ended while the question was open; then there is nothing to abort.
    if (!alive || !run->isActive())
        return;
    if (answer != 0) {
        ui->startDebugButton->setChecked(true);
        return;
    }
    run->abortByUser();
}

void DeviceDebugWidget::on_close_button_clicked()
{
    close();
}

void DeviceDebugWidget::on_openFolderButton_clicked()
{
    if (!openInFileExplorer(run->folder()))
        qWarning() << "Could not open the folder" << run->folder();
}

void DeviceDebugWidget::UpdateDevice(ArdentixDevice updated)
{
    run->UpdateDevice(updated);
}

// ---- What the run reports ----

void DeviceDebugWidget::showCaptureStarting()
{
    ui->setTimeFrame->setEnabled(false);
    ui->progressBar->show();
}

void DeviceDebugWidget::showEventsToTrigger(const QString &title, const QString &text)
{
    GuardedMessageBox::tell(this, QMessageBox::Information, title, text);
}

void DeviceDebugWidget::showGivingUp(const QString &reason)
{
    GuardedMessageBox::tell(nullptr, QMessageBox::NoIcon, QString(), reason);
}

// After an abort or a completed run.
void DeviceDebugWidget::showIdle()
{
    ui->progressBar->hide();
    ui->diagnosticTestComboBox->setEnabled(true);
    on_diagnosticTestComboBox_activated(ui->diagnosticTestComboBox->currentIndex());
    ui->startDebugButton->setText(QStringLiteral("Start Diagnostic"));
    ui->startDebugButton->setChecked(false);
    ui->setTimeLabel->setText(kIdleStatus);
    ui->close_button->setEnabled(true);
}

void DeviceDebugWidget::showCompleted(const QString &results)
{
    showIdle();
    QPointer<DeviceDebugWidget> alive(this);
    const int answer = GuardedMessageBox::ask(
        this, QMessageBox::Information, QStringLiteral("Diagnostic Test Complete"),
        QStringLiteral("Diagnostic test completed and the results have been added to ") + results
            + QStringLiteral(" \nDo you want to open the containing folder?"),
        {QStringLiteral("Open"), QStringLiteral("Cancel")});
    if (!alive)
        return;
    if (answer == 0)
        on_openFolderButton_clicked();
    ui->openFolderButton->setEnabled(true);
}

// There is no folder to open: the button stays as an earlier run left it.
void DeviceDebugWidget::showCollectedNothing(const QString &why)
{
    showIdle();
    GuardedMessageBox::tell(this, QMessageBox::Information, QStringLiteral("Diagnostic Test Complete"),
                            QStringLiteral("Diagnostic test completed but nothing was collected: "
                                           "the capture tool wrote no files and ")
                                + why + QLatin1Char('.'));
}

// ---- Login ----

void DeviceDebugWidget::askForLogin()
{
    auto *dialog = new LoginDialog(nullptr, run->currentDevice(), QString());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &LoginDialog::login, this, &DeviceDebugWidget::device_login);
    dialog->show();
}

void DeviceDebugWidget::device_login(QString user, QString password)
{
    if (user.isEmpty()) {
        qDebug() << "Login canceled";
        close();
        return;
    }
    ArdentixDevice device = run->currentDevice();
    device.setCredentials(user, password);
    run->UpdateDevice(device);
    if (bus)
        emit bus->_signal_up_set_device_credentials(device);
}

void DeviceDebugWidget::device_login_authenticated(ArdentixDevice dev, bool ok)
{
    if (dev.ipAddress.toString() != run->currentDevice().ipAddress.toString())
        return;
    if (ok) {
        ui->closeFrame->setEnabled(true);
        ui->diagnosticFrame->setEnabled(true);
    } else {
        askForLogin();
    }
}
