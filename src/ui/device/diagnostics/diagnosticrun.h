#ifndef DIAGNOSTICRUN_H
#define DIAGNOSTICRUN_H

#include "comm/json/axnetworkaccessmanager.h"
#include "model/ardentixdevice.h"
#include "model/configsettings.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QTimer>
#include <QVariantMap>

class AxFileAccess;
class AxSignalObject;
class JsonComm;

// Where a diagnostics run stands.
enum DIAGNOSTIC_STAGE {
    DIAG_SNAPSHOT_FIRST = 0,  // also kept while a Snap Shot's files are fetched
    DIAG_COMLOG = 1,
    DIAG_MSGLOG = 2,
    DIAG_SNAPSHOT_LAST = 3,
    DIAG_ABORTED = 4,
    DIAG_FETCH = 5
};

// The tests, by their index in the diagnostics window's test box.
enum DIAGNOSTIC_TEST {
    TEST_SNAPSHOT = 0,
    TEST_SERIAL_CAPTURE = 1,
    TEST_FULL_DIAGNOSTIC = 2
};

// What the user chose for one run.
struct DiagnosticRunOptions
{
    int test = TEST_FULL_DIAGNOSTIC;
    QTime period;                    // of the serial capture
    bool timestamped = true;         // each character of the serial capture
    bool messageLog = false;         // Full Diagnostic only
    QStringList additionalFlags;     // for the snapshots and the serial capture
};

// The diagnostics of one device, run after run. A run takes a snapshot with the
// capture tool kovdebug, for the longer tests a serial capture, a message log
// and a last snapshot, each started when the one before ends; then it fetches
// the device's files into the run's folder and packs the folder into a zip
// archive. The diagnostics window shows what it reports and answers its notices.
class DiagnosticRun : public QObject
{
    Q_OBJECT

public:
    // bus is the window's own relay (requests go up it, the device's files come
    // down it, its settings give the folders and the ping interval); the JSON
    // deadline is that of the device's file listing request.
    DiagnosticRun(AxSignalObject *bus, const ArdentixDevice &device,
                  int jsonDeadlineMs = AxNetworkAccessManager::kDefaultDeadlineMs, QObject *parent = nullptr);
    ~DiagnosticRun() override;

    const ArdentixDevice &currentDevice() const { return device; }
    // From Start until the run completes or is aborted.
    bool isActive() const { return runActive; }
    DIAGNOSTIC_STAGE stage() const { return diagnosticStage; }
    // The last run's folder; empty until a run has made one. An aborted run that
    // removed its empty folder gives back the folder of the run before.
    QString folder() const { return diagnosticFolder; }

    // Makes the run's folder and takes the first snapshot. Without the folder
    // or the capture tool nothing starts, and the run waits to be aborted.
    void start(const DiagnosticRunOptions &options);
    // The user's abort: a device with core firmware 6.18 or later is asked to
    // stop its snapshot.
    void abortByUser();

public slots:
    // Whole, as discovery last saw the device: the snapshot watch reads it.
    void UpdateDevice(ArdentixDevice updated);

signals:
    // A capture is starting; a status line may follow.
    void captureStarting();
    void statusChanged(const QString &status);
    // The time left of a capture, or the period the next one counts down from.
    void timeLeftChanged(const QTime &left);
    // The capture that starts once this returns needs the user to trigger the
    // events they want logged.
    void eventsToTrigger(const QString &title, const QString &text);
    // The snapshot watch gives the run up; the abort follows once this returns.
    void givingUp(const QString &reason);
    void aborted();
    // The files are fetched and renamed and the archiver started; `results` is
    // what holds them: the archive's name, or the folder's without an archiver.
    void completed(const QString &results);
    // The run ended with nothing in its folder; the folder is gone. `why` ends
    // the sentence "the capture tool wrote no files and ...".
    void collectedNothing(const QString &why);

private slots:
    // Tool runs; first makes the run's folder.
    void start_snapshot(bool first = true);
    void start_comlog(bool first = false);
    void start_msglog(bool first);
    // The stage machine, driven by the capture processes.
    void ComlogStateChange(QProcess::ProcessState state);
    void CountDown();
    void updateSnapStatus();
    // The device's files.
    void handle_file_list_generation_complete(quint32 id, bool ok, QVariantMap result);
    void handle_file_received(QString fileName, QByteArray data, bool ok, ArdentixDevice sender);
    void file_get_complete(bool ok);
    // Finishing a run.
    void zip_diagnostic();
    void rename_bat_files();
    void rename_exe_files();

private:
    // Which answer of the device's own file listing the run waits for.
    enum ListingWait { ListingNotAwaited, ListingGenerating, ListingDelivering };

    void buildStandardFileList();
    void chooseFileList();
    void getDeviceFiles();
    bool makeRunFolder();
    bool eventsTriggered(const QString &title, const QString &logName, bool first);
    void startCapture(QProcess *process, const QString &logPrefix, const QStringList &arguments);
    QProcess *newCapture();
    void retireCapture(QProcess *capture, bool logKill);
    void setTimeLeft(const QTime &left);
    void startSnapStatusWatch();
    void giveUp(const QString &reason);
    void abortRun();
    bool runFolderIsEmpty() const;
    void removeEmptyRunFolder();
    void replaceFileAccess();
    bool onJsonRoute() const;
    QString runFolderName() const;
    CONFIG_SETTINGS profile() const;

    QPointer<AxSignalObject> bus;
    ArdentixDevice device;
    DiagnosticRunOptions options;
    QProcess *msglogProcess;
    QProcess *snapshotProcess;
    QProcess *comlogProcess;
    QProcess *zipProcess;
    QTimer countDownTimer;
    QTime timeLeft;
    QString diagnosticFolder;
    QString earlierFolder;
    JsonComm *jsonComm;
    quint32 fileListRequestId;
    QStringList fullFileList;
    QStringList shortFileList;
    AxFileAccess *fileAccess;
    QStringList fetchFileList;
    DIAGNOSTIC_STAGE diagnosticStage;
    QTimer snapStatusTimer;
    int snapStatusTicks;
    bool runActive;
    ListingWait listingWait;
};

#endif // DIAGNOSTICRUN_H
