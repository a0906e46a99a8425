#include "diagnosticrun.h"

#include "devicedirectorylisting.h"
#include "diagnosticfolder.h"
#include "kovdebugarguments.h"
#include "standardfilelist.h"

#include "comm/json/jsoncomm.h"
#include "comm/transfer/axfileaccess.h"
#include "model/axsignalobject.h"
#include "platform/diagnostictools.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>

#include <functional>

namespace {

const QTime kMessageLogPeriod(0, 2, 0);
const int kCountDownMs = 1000;
// Ticks of the snapshot watch in a row without a running snapshot that are still tolerated.
const int kSnapshotMissesTolerated = 10;

} // namespace

DiagnosticRun::DiagnosticRun(AxSignalObject *bus, const ArdentixDevice &device, int jsonDeadlineMs,
                             QObject *parent)
    : QObject(parent)
    , bus(bus)
    , device(device)
    , msglogProcess(newCapture())
    , snapshotProcess(newCapture())
    , comlogProcess(newCapture())
    , zipProcess(new QProcess)
    , jsonComm(new JsonComm(this, nullptr, jsonDeadlineMs))
    , fileListRequestId(0)
    , fileAccess(nullptr)
    , diagnosticStage(DIAG_SNAPSHOT_FIRST)
    , snapStatusTicks(0)
    , runActive(false)
    , listingWait(ListingNotAwaited)
{
    // The archive is not waited for, but a failed one is reported. The process
    // may outlive the run (see the destructor), so it is its own context.
    connect(zipProcess, &QProcess::finished, zipProcess, [](int exitCode, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || exitCode != 0)
            qWarning() << "Zip of the diagnostic folder failed, exit code" << exitCode;
    });
    connect(zipProcess, &QProcess::errorOccurred, zipProcess, [](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            qWarning() << "Zip of the diagnostic folder could not start";
    });

    connect(&countDownTimer, &QTimer::timeout, this, &DiagnosticRun::CountDown);
    connect(&snapStatusTimer, &QTimer::timeout, this, &DiagnosticRun::updateSnapStatus);

    buildStandardFileList();
    replaceFileAccess();
    if (bus)
        connect(bus, &AxSignalObject::_signal_down_file_received, this, &DiagnosticRun::handle_file_received);
    connect(jsonComm, &JsonComm::JsonRequestCallback, this, &DiagnosticRun::handle_file_list_generation_complete);
}

// A capture still running is killed; an archive still being written is left to
// finish. The run can go while one of its processes reports (a notice's box runs
// a nested loop), so they are deleted later, not here.
DiagnosticRun::~DiagnosticRun()
{
    for (QProcess *capture : {msglogProcess, snapshotProcess, comlogProcess}) {
        if (capture->state() == QProcess::NotRunning)
            capture->deleteLater();
        else
            retireCapture(capture, false);
    }
    if (runActive)
        removeEmptyRunFolder();
    if (zipProcess->state() == QProcess::NotRunning)
        zipProcess->deleteLater();
    else
        connect(zipProcess, &QProcess::finished, zipProcess, &QObject::deleteLater);
    fileAccess->deleteLater();
}

void DiagnosticRun::start(const DiagnosticRunOptions &chosen)
{
    options = chosen;
    timeLeft = options.period;
    runActive = true;
    start_snapshot(true);
}

void DiagnosticRun::abortByUser()
{
    if (device.isCoreFirmwareAtLeast618() && bus)
        emit bus->_signal_up_abort_bridge_snapshot(device);
    abortRun();
}

void DiagnosticRun::UpdateDevice(ArdentixDevice updated)
{
    device = updated;
}

// ---- Tool runs ----

void DiagnosticRun::start_snapshot(bool first)
{
    if (first) {
        if (!makeRunFolder())
            return;
        diagnosticStage = DIAG_SNAPSHOT_FIRST;
    }
    const QStringList arguments = KovdebugArguments::snapshot(
        device.ipAddress, device.isCoreFirmwareAtLeast618(), first, options.additionalFlags);
    startCapture(snapshotProcess, QStringLiteral("Snapshot: "), arguments);
}

void DiagnosticRun::start_comlog(bool first)
{
    if (!eventsTriggered(QStringLiteral("Trigger Events"), QStringLiteral("log"), first))
        return;
    const QStringList arguments = KovdebugArguments::serialCapture(
        device.ipAddress, options.timestamped, timeLeft, options.additionalFlags);
    startCapture(comlogProcess, QStringLiteral("Com log: "), arguments);
}

void DiagnosticRun::start_msglog(bool first)
{
    if (!eventsTriggered(QStringLiteral("Trigger Events Again"), QStringLiteral("message log"), first))
        return;
    startCapture(msglogProcess, QStringLiteral("Msg log: "), KovdebugArguments::messageLog(device.ipAddress));
}

// The notice before a capture, then with `first` the run's folder. The window
// answers the notice with a modal box: the run may be gone, or aborted by the
// snapshot watch, once it is closed.
bool DiagnosticRun::eventsTriggered(const QString &title, const QString &logName, bool first)
{
    QPointer<DiagnosticRun> alive(this);
    emit eventsToTrigger(title, QStringLiteral("If you are taking a log, because you are experiencing problems "
                                               "then please ensure that you trigger the event(s) that are causing "
                                               "the problems while the ")
                                    + logName + QStringLiteral(" is being taken."));
    if (!alive || diagnosticStage == DIAG_ABORTED)
        return false;
    return !first || makeRunFolder();
}

bool DiagnosticRun::makeRunFolder()
{
    QString failedPath;
    const QString folder = DiagnosticFolder::create(profile().workingPath, QDateTime::currentDateTime(), &failedPath);
    if (folder.isEmpty()) {
        qDebug() << "Error creating diagnostic path: " << failedPath;
        return false;
    }
    if (folder != diagnosticFolder)
        earlierFolder = diagnosticFolder;
    diagnosticFolder = folder;
    return true;
}

// Without the tool nothing starts and the run waits for the user to abort it.
void DiagnosticRun::startCapture(QProcess *process, const QString &logPrefix, const QStringList &arguments)
{
    const QString program = captureToolProgram(profile().toolsPath);
    if (program.isEmpty())
        return;
    qDebug().noquote() << KovdebugArguments::logLine(logPrefix, arguments);
    process->setWorkingDirectory(diagnosticFolder);
    process->start(program, arguments, QIODevice::ReadWrite);
}

QProcess *DiagnosticRun::newCapture()
{
    auto *capture = new QProcess;
    // Nothing reads what the captures print; kept, it would grow for as long
    // as a capture runs.
    capture->setStandardOutputFile(QProcess::nullDevice());
    capture->setStandardErrorFile(QProcess::nullDevice());
    connect(capture, &QProcess::stateChanged, this, &DiagnosticRun::ComlogStateChange);
    return capture;
}

// A killed capture ends later, on its own, and then deletes itself: nothing
// waits for it, and its end is never read as the end of a later stage. One
// whose end comes only after the event loop has stopped goes with the application.
void DiagnosticRun::retireCapture(QProcess *capture, bool logKill)
{
    capture->disconnect(this);
    capture->setParent(QCoreApplication::instance());
    connect(capture, &QProcess::stateChanged, capture, [capture, logKill](QProcess::ProcessState state) {
        if (state != QProcess::NotRunning)
            return;
        if (logKill)
            qDebug() << "KILL Capture";
        capture->deleteLater();
    });
    capture->kill();
}

// ---- Stage machine ----

void DiagnosticRun::ComlogStateChange(QProcess::ProcessState state)
{
    if (state == QProcess::Starting) {
        countDownTimer.stop();
        snapStatusTimer.stop();
        emit captureStarting();
        switch (diagnosticStage) {
        case DIAG_SNAPSHOT_FIRST:
            emit statusChanged(options.test == TEST_SNAPSHOT
                                   ? QStringLiteral("Getting snapshot..")
                                   : QStringLiteral("Getting snapshot before starting.."));
            startSnapStatusWatch();
            break;
        case DIAG_COMLOG:
            emit statusChanged(QStringLiteral("Comm log in progress.    Time to quit: "));
            countDownTimer.start(kCountDownMs);
            break;
        case DIAG_MSGLOG:
            emit statusChanged(QStringLiteral("Message log in progress. Time to quit: "));
            countDownTimer.start(kCountDownMs);
            break;
        case DIAG_SNAPSHOT_LAST:
            emit statusChanged(QStringLiteral("Getting snapshot before finishing.."));
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
        if (options.test == TEST_SNAPSHOT) {
            chooseFileList();
        } else {
            diagnosticStage = DIAG_COMLOG;
            start_comlog(false);
        }
        break;
    case DIAG_COMLOG:
        if (options.test == TEST_FULL_DIAGNOSTIC && options.messageLog) {
            setTimeLeft(kMessageLogPeriod);
            diagnosticStage = DIAG_MSGLOG;
            start_msglog(false);
        } else {
            setTimeLeft(QTime(0, 0));
            diagnosticStage = DIAG_SNAPSHOT_LAST;
            start_snapshot(false);
        }
        break;
    case DIAG_MSGLOG:
        setTimeLeft(QTime(0, 0));
        diagnosticStage = DIAG_SNAPSHOT_LAST;
        start_snapshot(false);
        break;
    case DIAG_SNAPSHOT_LAST:
        diagnosticStage = DIAG_FETCH;
        chooseFileList();
        break;
    default:
        // An aborted run's captures were taken out of the run when they were killed.
        qDebug() << "SERIAL LOG STATE ERROR";
        break;
    }
}

void DiagnosticRun::setTimeLeft(const QTime &left)
{
    timeLeft = left;
    emit timeLeftChanged(timeLeft);
}

void DiagnosticRun::CountDown()
{
    if (timeLeft > QTime(0, 0)) {
        setTimeLeft(timeLeft.addSecs(-1));
        countDownTimer.start(kCountDownMs);
    } else {
        countDownTimer.stop();
    }
}

// Devices with firmware 6.21 or later report a running snapshot in their status.
void DiagnosticRun::startSnapStatusWatch()
{
    if (device.isFirmwareAtLeast621())
        snapStatusTimer.start(profile().pingInterval / 2);
}

void DiagnosticRun::updateSnapStatus()
{
    QPointer<DiagnosticRun> alive(this);
    if (device.discoveryState == DISCOVERY_LOST) {
        giveUp(QStringLiteral("Lost Connection to Device, Aborting test"));
        if (!alive)
            return;
    }
    if (device.deviceStatus & DEVICE_STATUS_SNAPSHOT_ACTIVE) {
        snapStatusTicks = 0;
        return;
    }
    if (++snapStatusTicks <= kSnapshotMissesTolerated)
        return;
    giveUp(QStringLiteral("Device Snapshot error, Aborting test"));
}

// The window shows the reason in a modal box before the abort.
void DiagnosticRun::giveUp(const QString &reason)
{
    snapStatusTimer.stop();   // no second notice while the first is shown
    QPointer<DiagnosticRun> alive(this);
    emit givingUp(reason);
    if (!alive)
        return;
    snapStatusTicks = 0;
    abortRun();
}

// The captures are killed and the fetch stopped: nothing of the run is archived.
// What already lies in the folder stays; a folder with nothing in it goes.
void DiagnosticRun::abortRun()
{
    diagnosticStage = DIAG_ABORTED;
    runActive = false;
    listingWait = ListingNotAwaited;
    for (QProcess *&capture : {std::ref(snapshotProcess), std::ref(comlogProcess), std::ref(msglogProcess)}) {
        if (capture->state() == QProcess::NotRunning)
            continue;
        retireCapture(capture, true);
        capture = newCapture();
    }
    replaceFileAccess();
    countDownTimer.stop();
    snapStatusTimer.stop();
    removeEmptyRunFolder();
    emit aborted();
}

bool DiagnosticRun::runFolderIsEmpty() const
{
    return QDir(diagnosticFolder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

// A run that ended before anything reached its folder leaves no folder behind.
// Only an empty folder is removed: another run of the same minute may share it.
void DiagnosticRun::removeEmptyRunFolder()
{
    if (diagnosticFolder.isEmpty() || !runFolderIsEmpty())
        return;
    if (QDir().rmdir(diagnosticFolder))
        diagnosticFolder = earlierFolder;
}

// AxFileAccess has no way to drop its queue: a fresh one replaces it, and the
// old one's destruction ends the transfer under way.
void DiagnosticRun::replaceFileAccess()
{
    delete fileAccess;
    fileAccess = new AxFileAccess;
    connect(fileAccess, &AxFileAccess::signal_file_get_complete, this, &DiagnosticRun::file_get_complete);
}

// ---- The device's files ----

void DiagnosticRun::buildStandardFileList()
{
    fetchFileList.clear();
    fullFileList = StandardFileList::fullList(device.devicePlatform, device.firmwareFileName);
    shortFileList = StandardFileList::shortList();
}

// A device served over JSON-RPC lists its own files first.
void DiagnosticRun::chooseFileList()
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
void DiagnosticRun::handle_file_list_generation_complete(quint32 id, bool ok, QVariantMap)
{
    if (listingWait != ListingGenerating || id != fileListRequestId || !ok)
        return;
    qDebug() << "Get dirlist";
    listingWait = ListingDelivering;
    if (bus)
        emit bus->_signal_up_get_file(QStringLiteral("dirlist.txt"), device);
}

// Every window of the device receives the listing; only a run waiting for it
// fetches, into its own folder.
void DiagnosticRun::handle_file_received(QString fileName, QByteArray data, bool ok, ArdentixDevice sender)
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

void DiagnosticRun::getDeviceFiles()
{
    switch (options.test) {
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
    emit statusChanged(QStringLiteral("Getting files from Ardentix..."));
    if (fetchFileList.isEmpty()) {
        file_get_complete(true);
        return;
    }
    const QString folder = QDir::fromNativeSeparators(diagnosticFolder);
    QStringList localPaths;
    for (const QString &name : fetchFileList)
        localPaths << folder + QLatin1Char('/') + name;
    fileAccess->getFileList(localPaths, fetchFileList, device,
                            onJsonRoute() ? AxFileAccess::FetchOverHttp : AxFileAccess::FetchWithKovnet);
}

// ---- Finishing ----

// Whatever arrived is archived: a file the device could not give is simply missing.
// A run that brought nothing makes no archive and leaves no folder.
void DiagnosticRun::file_get_complete(bool)
{
    if (runFolderIsEmpty()) {
        runActive = false;
        removeEmptyRunFolder();
        emit collectedNothing(fetchFileList.isEmpty() ? QStringLiteral("the device listed no files for this test")
                                                      : QStringLiteral("none of the device's files arrived"));
        return;
    }
    rename_bat_files();
    rename_exe_files();
    zip_diagnostic();
    const bool archived = zipProcess->state() != QProcess::NotRunning;
    runActive = false;
    // Without an archiver the files stay in the folder, and the notice says so.
    emit completed(archived ? runFolderName() + QStringLiteral(".zip") : runFolderName());
}

// Batch and program files from the device are kept from running by accident.
void DiagnosticRun::rename_bat_files()
{
    DiagnosticFolder::replaceInFileNames(diagnosticFolder,
                                         fileAccess->listFilesInDir(diagnosticFolder, {QStringLiteral("*.bat")}),
                                         QStringLiteral(".bat"), QStringLiteral(".b__"));
}

void DiagnosticRun::rename_exe_files()
{
    DiagnosticFolder::replaceInFileNames(diagnosticFolder,
                                         fileAccess->listFilesInDir(diagnosticFolder, {QStringLiteral("*.exe")}),
                                         QStringLiteral(".exe"), QStringLiteral(".e__"));
}

// "-m" moves the files into the archive, made in the folder under the folder's name.
void DiagnosticRun::zip_diagnostic()
{
    const ArchiverCommand command = archiverCommand(
        profile().toolsPath, {QStringLiteral("-m"), runFolderName(), QStringLiteral("*")}, diagnosticFolder);
    if (command.program.isEmpty()) {
        qWarning() << "No zip program found; the diagnostic files stay in" << diagnosticFolder;
        return;
    }
    zipProcess->setWorkingDirectory(diagnosticFolder);
    zipProcess->start(command.program, command.arguments, QIODevice::ReadWrite);
}

// ---- Helpers ----

bool DiagnosticRun::onJsonRoute() const
{
    return device.jsonSupport && (device.isIpReachable() || device.userDevice);
}

QString DiagnosticRun::runFolderName() const
{
    return diagnosticFolder.split(QLatin1Char('/')).last();
}

// The bus's settings profile; without one, the default profile.
CONFIG_SETTINGS DiagnosticRun::profile() const
{
    return bus && bus->settings ? *bus->settings : CONFIG_SETTINGS();
}
