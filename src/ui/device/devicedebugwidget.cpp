#include "devicedebugwidget.h"

#include "devicedirectorylisting.h"
#include "diagnosticfolder.h"
#include "guardedmessagebox.h"
#include "kovdebugarguments.h"
#include "logindialog.h"
#include "standardfilelist.h"
#include "ui_devicedebugwidget.h"

#include "comm/transfer/axfileaccess.h"
#include "comm/json/jsoncomm.h"
#include "platform/diagnostictools.h"
#include "platform/fileexplorer.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QIcon>
#include <QPointer>

namespace {

const QTime kDefaultPeriod(0, 5, 0);
const QTime kMessageLogPeriod(0, 2, 0);
const int kCountDownMs = 1000;
// Ticks of the snapshot watch in a row without a running snapshot that are still tolerated.
const int kSnapshotMissesTolerated = 10;
const int kDefaultPingIntervalMs = 1500;
const int kKillWaitMs = 3000;
// The status bit a device sets while it takes a snapshot.
const quint32 kSnapshotActiveStatus = 0x200;

// AxFileAccess's fetch tools.
const int kFetchOverHttp = 0;
const int kFetchWithKovnet = 1;

const QString kIdleStatus = QStringLiteral("Set capture period");

} // namespace

DeviceDebugWidget::DeviceDebugWidget(QWidget *parent, RUN_MODE, AxSignalObject *upstream,
                                     const ArdentixDevice &device, int jsonDeadlineMs)
    : AxSignalWidget(parent, upstream)
    , ui(new Ui::DeviceDebugWidget)
    , device(device)
    , msglogProcess(new QProcess)
    , snapshotProcess(new QProcess)
    , comlogProcess(new QProcess)
    , zipProcess(new QProcess)
    , jsonComm(nullptr)
    , fileListRequestId(0)
    , fileAccess(nullptr)
    , savedPeriod(kDefaultPeriod)
    , diagnosticStage(DIAG_SNAPSHOT_FIRST)
    , snapStatusTicks(0)
    , runActive(false)
    , listingWait(ListingNotAwaited)
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

    for (QProcess *capture : {msglogProcess, snapshotProcess, comlogProcess}) {
        // Nothing reads what the captures print; kept, it would grow for as
        // long as a capture runs.
        capture->setStandardOutputFile(QProcess::nullDevice());
        capture->setStandardErrorFile(QProcess::nullDevice());
        connect(capture, &QProcess::stateChanged, this, &DeviceDebugWidget::ComlogStateChange);
    }
    // The archive is not waited for, but a failed one is reported. The process
    // may outlive the window (see the destructor), so it is its own context.
    connect(zipProcess, &QProcess::finished, zipProcess, [](int exitCode, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || exitCode != 0)
            qWarning() << "Zip of the diagnostic folder failed, exit code" << exitCode;
    });
    connect(zipProcess, &QProcess::errorOccurred, zipProcess, [](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            qWarning() << "Zip of the diagnostic folder could not start";
    });

    connect(&countDownTimer, &QTimer::timeout, this, &DeviceDebugWidget::CountDown);
    connect(&snapStatusTimer, &QTimer::timeout, this, &DeviceDebugWidget::updateSnapStatus);

    buildStandardFileList();

    replaceFileAccess();
    if (bus) {
        connect(bus, &AxSignalObject::_signal_down_file_received,
                this, &DeviceDebugWidget::handle_file_received);
    }

    jsonComm = new JsonComm(this, nullptr, jsonDeadlineMs);
    connect(jsonComm, &JsonComm::JsonRequestCallback,
            this, &DeviceDebugWidget::handle_file_list_generation_complete);

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

// A capture still running is killed; an archive still being written is left to finish.
DeviceDebugWidget::~DeviceDebugWidget()
{
    for (QProcess *capture : {msglogProcess, snapshotProcess, comlogProcess}) {
        capture->disconnect(this);
        if (capture->state() != QProcess::NotRunning) {
            capture->kill();
            capture->waitForFinished(kKillWaitMs);
        }
        capture->deleteLater();
    }
    if (zipProcess->state() == QProcess::NotRunning)
        zipProcess->deleteLater();
    else
        connect(zipProcess, &QProcess::finished, zipProcess, &QObject::deleteLater);
    fileAccess->disconnect(this);
    fileAccess->deleteLater();
    delete ui;
}

// ---- Tool runs ----

void DeviceDebugWidget::start_snapshot(bool first)
{
    if (first) {
        if (!makeRunFolder())
            return;
        diagnosticStage = DIAG_SNAPSHOT_FIRST;
    }
    const QStringList arguments = KovdebugArguments::snapshot(
        device.ipAddress, device.isCoreFirmwareAtLeast618(), first, additionalFlags());
    startCapture(snapshotProcess, QStringLiteral("Snapshot: "), arguments);
}

void DeviceDebugWidget::start_comlog(bool first)
{
    QPointer<DeviceDebugWidget> alive(this);
    GuardedMessageBox::tell(this, QMessageBox::Information, QStringLiteral("Trigger Events"),
                            QStringLiteral("If you are taking a log, because you are experiencing problems "
                                           "then please ensure that you trigger the event(s) that are causing "
                                           "the problems while the log is being taken."));
    // Gone, or aborted by the snapshot watch, while the box was open.
    if (!alive || diagnosticStage == DIAG_ABORTED)
        return;
    if (first && !makeRunFolder())
        return;
    const QStringList arguments = KovdebugArguments::serialCapture(
        device.ipAddress, ui->timestampCheckBox->isChecked(), ui->timeEdit->time(), additionalFlags());
    startCapture(comlogProcess, QStringLiteral("Com log: "), arguments);
}

void DeviceDebugWidget::start_msglog(bool first)
{
    QPointer<DeviceDebugWidget> alive(this);
    GuardedMessageBox::tell(this, QMessageBox::Information, QStringLiteral("Trigger Events Again"),
                            QStringLiteral("If you are taking a log, because you are experiencing problems "
                                           "then please ensure that you trigger the event(s) that are causing "
                                           "the problems while the message log is being taken."));
    if (!alive || diagnosticStage == DIAG_ABORTED)
        return;
    if (first && !makeRunFolder())
        return;
    startCapture(msglogProcess, QStringLiteral("Msg log: "), KovdebugArguments::messageLog(device.ipAddress));
}

bool DeviceDebugWidget::makeRunFolder()
{
    QString failedPath;
    const QString folder = DiagnosticFolder::create(workingPath(), QDateTime::currentDateTime(), &failedPath);
    if (folder.isEmpty()) {
        qDebug() << "Error creating diagnostic path: " << failedPath;
        return false;
    }
    diagnosticFolder = folder;
    return true;
}

// Without the tool nothing starts and the run waits for the user to abort it.
void DeviceDebugWidget::startCapture(QProcess *process, const QString &logPrefix, const QStringList &arguments)
{
    const QString program = captureToolProgram(toolsPath());
    if (program.isEmpty())
        return;
    qDebug().noquote() << KovdebugArguments::logLine(logPrefix, arguments);
    process->setWorkingDirectory(diagnosticFolder);
    process->start(program, arguments, QIODevice::ReadWrite);
    if (process == snapshotProcess)
        ui->progressBar->show();
}

QStringList DeviceDebugWidget::additionalFlags() const
{
    if (!ui->advancedOptionsCheckBox->isChecked())
        return {};
    return KovdebugArguments::splitAdditionalFlags(ui->additionalFlagsEdit->text());
}

// ---- Stage machine ----

void DeviceDebugWidget::ComlogStateChange(QProcess::ProcessState state)
{
    if (state == QProcess::Starting) {
        ui->setTimeFrame->setEnabled(false);
        countDownTimer.stop();
        snapStatusTimer.stop();
        ui->progressBar->show();
        switch (diagnosticStage) {
        case DIAG_SNAPSHOT_FIRST:
            ui->setTimeLabel->setText(currentTest() == TEST_SNAPSHOT
                                          ? QStringLiteral("Getting snapshot..")
                                          : QStringLiteral("Getting snapshot before starting.."));
            startSnapStatusWatch();
            break;
        case DIAG_COMLOG:
            ui->setTimeLabel->setText(QStringLiteral("Comm log in progress.    Time to quit: "));
            countDownTimer.start(kCountDownMs);
            break;
        case DIAG_MSGLOG:
            ui->setTimeLabel->setText(QStringLiteral("Message log in progress. Time to quit: "));
            countDownTimer.start(kCountDownMs);
            break;
        case DIAG_SNAPSHOT_LAST:
            ui->setTimeLabel->setText(QStringLiteral("Getting snapshot before finishing.."));
            startSnapStatusWatch();
            break;
        default:
            qDebug() << "SERIAL LOG START STATE ERROR";
            break;
        }
        return;
    }
    if (state != QProcess::NotRunning)
        return;

    // Every end of a capture, normal, failed or killed, moves the run on.
    countDownTimer.stop();
    snapStatusTimer.stop();
    switch (diagnosticStage) {
    case DIAG_SNAPSHOT_FIRST:
        if (currentTest() == TEST_SNAPSHOT) {
            chooseFileList();
        } else {
            diagnosticStage = DIAG_COMLOG;
            start_comlog(false);
        }
        break;
    case DIAG_COMLOG:
        if (currentTest() == TEST_FULL_DIAGNOSTIC && ui->msgLogCheckBox->isChecked()) {
            ui->timeEdit->setTime(kMessageLogPeriod);
            diagnosticStage = DIAG_MSGLOG;
            start_msglog(false);
        } else {
            ui->timeEdit->setTime(QTime(0, 0));
            diagnosticStage = DIAG_SNAPSHOT_LAST;
            start_snapshot(false);
        }
        break;
    case DIAG_MSGLOG:
        ui->timeEdit->setTime(QTime(0, 0));
        diagnosticStage = DIAG_SNAPSHOT_LAST;
        start_snapshot(false);
        break;
    case DIAG_SNAPSHOT_LAST:
        diagnosticStage = DIAG_FETCH;
        chooseFileList();
        break;
    case DIAG_ABORTED:
        qDebug() << "KILL Capture";
        break;
    default:
        qDebug() << "SERIAL LOG STATE ERROR";
        break;
    }
}

void DeviceDebugWidget::CountDown()
{
    const QTime left = ui->timeEdit->time();
    if (left > QTime(0, 0)) {
        ui->timeEdit->setTime(left.addSecs(-1));
        countDownTimer.start(kCountDownMs);
    } else {
        countDownTimer.stop();
    }
}

// Devices with firmware 6.21 or later report a running snapshot in their status.
void DeviceDebugWidget::startSnapStatusWatch()
{
    if (device.isFirmwareAtLeast621())
        snapStatusTimer.start(pingInterval() / 2);
}

void DeviceDebugWidget::updateSnapStatus()
{
    QPointer<DeviceDebugWidget> alive(this);
    if (device.discoveryState == DISCOVERY_LOST) {
        snapStatusTimer.stop();   // no second box while this one is open
        GuardedMessageBox::tell(nullptr, QMessageBox::NoIcon, QString(),
                                QStringLiteral("Lost Connection to Device, Aborting test"));
        if (!alive)
            return;
        snapStatusTicks = 0;
        abortRun();
    }
    if (device.deviceStatus & kSnapshotActiveStatus) {
        snapStatusTicks = 0;
        return;
    }
    if (++snapStatusTicks <= kSnapshotMissesTolerated)
        return;
    snapStatusTimer.stop();
    GuardedMessageBox::tell(nullptr, QMessageBox::NoIcon, QString(),
                            QStringLiteral("Device Snapshot error, Aborting test"));
    if (!alive)
        return;
    snapStatusTicks = 0;
    abortRun();
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
    runActive = true;
    start_snapshot(true);
    ui->timestampFrame->setEnabled(false);
    ui->advancedOptionsframe->setEnabled(false);
    ui->flagsFrame->setEnabled(false);
    ui->msgLogframe->setEnabled(false);
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
    if (!alive || !runActive)
        return;
    if (answer != 0) {
        ui->startDebugButton->setChecked(true);
        return;
    }
    if (device.isCoreFirmwareAtLeast618() && bus)
        emit bus->_signal_up_abort_bridge_snapshot(device);
    abortRun();
}

// The captures are killed and the fetch stopped: nothing of the run is archived.
// The folder and what already lies in it stay.
void DeviceDebugWidget::abortRun()
{
    diagnosticStage = DIAG_ABORTED;
    runActive = false;
    listingWait = ListingNotAwaited;
    for (QProcess *capture : {snapshotProcess, comlogProcess, msglogProcess}) {
        if (capture->state() == QProcess::NotRunning)
            continue;
        capture->kill();
        // Its end is taken here, so it can't be read as the end of the next run's stage.
        capture->waitForFinished(kKillWaitMs);
    }
    replaceFileAccess();
    countDownTimer.stop();
    snapStatusTimer.stop();
    ui->progressBar->hide();
    ui->diagnosticTestComboBox->setEnabled(true);
    on_diagnosticTestComboBox_activated(ui->diagnosticTestComboBox->currentIndex());
    ui->startDebugButton->setText(QStringLiteral("Start Diagnostic"));
    ui->startDebugButton->setChecked(false);
    ui->setTimeLabel->setText(kIdleStatus);
    ui->close_button->setEnabled(true);
}

// AxFileAccess has no way to drop its queue: a fresh one replaces it, and the
// old one's destruction ends the transfer under way.
void DeviceDebugWidget::replaceFileAccess()
{
    if (fileAccess) {
        fileAccess->disconnect(this);
        delete fileAccess;
    }
    fileAccess = new AxFileAccess;
    connect(fileAccess, &AxFileAccess::signal_file_get_complete, this, &DeviceDebugWidget::file_get_complete);
}

void DeviceDebugWidget::on_close_button_clicked()
{
    close();
}

void DeviceDebugWidget::on_openFolderButton_clicked()
{
    if (!openInFileExplorer(diagnosticFolder))
        qWarning() << "Could not open the folder" << diagnosticFolder;
}

void DeviceDebugWidget::UpdateDevice(ArdentixDevice updated)
{
    device = updated;
}

// ---- Login ----

void DeviceDebugWidget::askForLogin()
{
    auto *dialog = new LoginDialog(nullptr, device, QString());
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
    device.setCredentials(user, password);
    if (bus)
        emit bus->_signal_up_set_device_credentials(device);
}

void DeviceDebugWidget::device_login_authenticated(ArdentixDevice dev, bool ok)
{
    if (dev.ipAddress.toString() != device.ipAddress.toString())
        return;
    if (ok) {
        ui->closeFrame->setEnabled(true);
        ui->diagnosticFrame->setEnabled(true);
    } else {
        askForLogin();
    }
}

// ---- The device's files ----

void DeviceDebugWidget::buildStandardFileList()
{
    fetchFileList.clear();
    fullFileList = StandardFileList::fullList(device.devicePlatform, device.firmwareFileName);
    shortFileList = StandardFileList::shortList();
}

// A device served over JSON-RPC lists its own files first.
void DeviceDebugWidget::chooseFileList()
{
    if (onJsonRoute()) {
        qDebug() << "Get file list";
        listingWait = ListingGenerating;
        fileListRequestId = jsonComm->requestFileList(device);
    } else {
        qDebug() << "Use standard file list";
        getDeviceFiles();
    }
}

// A failed or unanswered listing leaves the run fetching until the user aborts it.
void DeviceDebugWidget::handle_file_list_generation_complete(quint32 id, bool ok, QVariantMap)
{
    if (listingWait != ListingGenerating || id != fileListRequestId || !ok)
        return;
    qDebug() << "Get dirlist";
    listingWait = ListingDelivering;
    if (bus)
        emit bus->_signal_up_get_file(QStringLiteral("dirlist.txt"), device);
}

// Every window of the device receives the listing; only one waiting for it
// fetches, into its own run's folder.
void DeviceDebugWidget::handle_file_received(QString fileName, QByteArray data, bool ok, ArdentixDevice sender)
{
    if (sender.macAddress != device.macAddress || fileName != QLatin1String("dirlist.txt") || !ok)
        return;
    if (listingWait != ListingDelivering)
        return;
    listingWait = ListingNotAwaited;
    const DeviceDirectoryListing listing(data);
    fullFileList = listing.fullFileList();
    shortFileList = listing.shortFileList();
    getDeviceFiles();
}

void DeviceDebugWidget::getDeviceFiles()
{
    switch (currentTest()) {
    case TEST_SNAPSHOT:
    case TEST_SERIAL_CAPTURE:
        fetchFileList = shortFileList;
        break;
    case TEST_FULL_DIAGNOSTIC:
        fetchFileList = fullFileList;
        break;
    default:
        qDebug() << "diagnosticTestComboBox index invalid";
        break;
    }
    ui->setTimeLabel->setText(QStringLiteral("Getting files from Ardentix..."));
    if (fetchFileList.isEmpty()) {
        file_get_complete(true);
        return;
    }
    const QString folder = QDir::fromNativeSeparators(diagnosticFolder);
    QStringList localPaths;
    for (const QString &name : fetchFileList)
        localPaths << folder + QLatin1Char('/') + name;
    fileAccess->getFileList(localPaths, fetchFileList, device,
                            onJsonRoute() ? kFetchOverHttp : kFetchWithKovnet);
}

// ---- Finishing ----

// Whatever arrived is archived: a file the device could not give is simply missing.
void DeviceDebugWidget::file_get_complete(bool)
{
    rename_bat_files();
    rename_exe_files();
    zip_diagnostic();
    const bool archived = zipProcess->state() != QProcess::NotRunning;

    runActive = false;
    ui->progressBar->hide();
    ui->startDebugButton->setText(QStringLiteral("Start Diagnostic"));
    ui->startDebugButton->setChecked(false);
    ui->diagnosticTestComboBox->setEnabled(true);
    on_diagnosticTestComboBox_activated(ui->diagnosticTestComboBox->currentIndex());
    ui->close_button->setEnabled(true);
    ui->setTimeLabel->setText(kIdleStatus);

    // Without an archiver the files stay in the folder, and the box says so.
    const QString results = archived ? runFolderName() + QStringLiteral(".zip") : runFolderName();
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

// Batch and program files from the device are kept from running by accident.
void DeviceDebugWidget::rename_bat_files()
{
    DiagnosticFolder::replaceInFileNames(diagnosticFolder,
                                         fileAccess->listFilesInDir(diagnosticFolder, {QStringLiteral("*.bat")}),
                                         QStringLiteral(".bat"), QStringLiteral(".b__"));
}

void DeviceDebugWidget::rename_exe_files()
{
    DiagnosticFolder::replaceInFileNames(diagnosticFolder,
                                         fileAccess->listFilesInDir(diagnosticFolder, {QStringLiteral("*.exe")}),
                                         QStringLiteral(".exe"), QStringLiteral(".e__"));
}

// "-m" moves the files into the archive, made in the folder under the folder's name.
void DeviceDebugWidget::zip_diagnostic()
{
    const ArchiverCommand command = archiverCommand(
        toolsPath(), {QStringLiteral("-m"), runFolderName(), QStringLiteral("*")}, diagnosticFolder);
    if (command.program.isEmpty()) {
        qWarning() << "No zip program found; the diagnostic files stay in" << diagnosticFolder;
        return;
    }
    zipProcess->setWorkingDirectory(diagnosticFolder);
    zipProcess->start(command.program, command.arguments, QIODevice::ReadWrite);
}

// ---- Helpers ----

bool DeviceDebugWidget::onJsonRoute() const
{
    return device.jsonSupport && (device.isIpReachable() || device.userDevice);
}

int DeviceDebugWidget::currentTest() const
{
    return ui->diagnosticTestComboBox->currentIndex();
}

QString DeviceDebugWidget::runFolderName() const
{
    return diagnosticFolder.split(QLatin1Char('/')).last();
}

QString DeviceDebugWidget::workingPath() const
{
    return settings ? settings->workingPath : QString();
}

QString DeviceDebugWidget::toolsPath() const
{
    return settings ? settings->toolsPath : QString();
}

int DeviceDebugWidget::pingInterval() const
{
    return settings ? settings->pingInterval : kDefaultPingIntervalMs;
}
