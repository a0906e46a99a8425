#ifndef DEVICEDEBUGWIDGET_H
#define DEVICEDEBUGWIDGET_H

#include "comm/json/axnetworkaccessmanager.h"
#include "model/ardentixdevice.h"
#include "ui/axsignalwidget.h"
#include "ui/runmode.h"

#include <QProcess>
#include <QStringList>
#include <QTime>
#include <QTimer>
#include <QVariantMap>

class AxFileAccess;
class JsonComm;

namespace Ui {
class DeviceDebugWidget;
}

// Where a diagnostics run stands.
enum DIAGNOSTIC_STAGE {
    DIAG_SNAPSHOT_FIRST = 0,  // also kept while a Snap Shot's files are fetched
    DIAG_COMLOG = 1,
    DIAG_MSGLOG = 2,
    DIAG_SNAPSHOT_LAST = 3,
    DIAG_ABORTED = 4,
    DIAG_FETCH = 5
};

// The tests, by their index in the test box.
enum DIAGNOSTIC_TEST {
    TEST_SNAPSHOT = 0,
    TEST_SERIAL_CAPTURE = 1,
    TEST_FULL_DIAGNOSTIC = 2
};

// The "Device Diagnostics" window of one device. A run takes a snapshot with the
// capture tool kovdebug, for the longer tests a serial capture, a message log and
// a last snapshot, each started when the one before ends; then it fetches the
// device's files into the run's folder and packs the folder into a zip archive.
// A device that needs a password is logged in first.
class DeviceDebugWidget : public AxSignalWidget
{
    Q_OBJECT

public:
    // Shows itself. runMode is not used by this window; the JSON deadline is
    // that of the device's file listing request.
    DeviceDebugWidget(QWidget *parent, RUN_MODE runMode, AxSignalObject *upstream,
                      const ArdentixDevice &device,
                      int jsonDeadlineMs = AxNetworkAccessManager::kDefaultDeadlineMs);
    ~DeviceDebugWidget() override;

private slots:
    // Tool runs; first makes the run's folder.
    void start_snapshot(bool first = true);
    void start_comlog(bool first = false);
    void start_msglog(bool first);
    // The stage machine, driven by the capture processes.
    void ComlogStateChange(QProcess::ProcessState state);
    void on_close_button_clicked();
    void on_openFolderButton_clicked();
    void CountDown();
    void updateSnapStatus();
    void on_diagnosticTestComboBox_activated(int index);
    // Finishing a run.
    void zip_diagnostic();
    void rename_bat_files();
    void rename_exe_files();
    // The device's files.
    void handle_file_list_generation_complete(quint32 id, bool ok, QVariantMap result);
    void handle_file_received(QString fileName, QByteArray data, bool ok, ArdentixDevice sender);
    void file_get_complete(bool ok);
    void on_startDebugButton_clicked();
    void UpdateDevice(ArdentixDevice updated);
    void on_advancedOptionsCheckBox_clicked(bool checked);
    // Login.
    void device_login(QString user, QString password);
    void device_login_authenticated(ArdentixDevice dev, bool ok);

private:
    // Which answer of the device's own file listing the window waits for.
    enum ListingWait { ListingNotAwaited, ListingGenerating, ListingDelivering };

    void buildStandardFileList();
    void chooseFileList();
    void getDeviceFiles();
    bool makeRunFolder();
    void startCapture(QProcess *process, const QString &logPrefix, const QStringList &arguments);
    QStringList additionalFlags() const;
    void startSnapStatusWatch();
    void askForLogin();
    void askToAbort();
    void abortRun();
    void replaceFileAccess();
    bool onJsonRoute() const;
    int currentTest() const;
    QString runFolderName() const;
    QString workingPath() const;
    QString toolsPath() const;
    int pingInterval() const;

    Ui::DeviceDebugWidget *ui;
    ArdentixDevice device;
    QProcess *msglogProcess;
    QProcess *snapshotProcess;
    QProcess *comlogProcess;
    QProcess *zipProcess;
    QTimer countDownTimer;
    QString diagnosticFolder;
    JsonComm *jsonComm;
    quint32 fileListRequestId;
    QStringList fullFileList;
    QStringList shortFileList;
    AxFileAccess *fileAccess;
    QTime savedPeriod;
    QStringList fetchFileList;
    DIAGNOSTIC_STAGE diagnosticStage;
    QTimer snapStatusTimer;
    int snapStatusTicks;
    // From Start until the run completes or is aborted.
    bool runActive;
    ListingWait listingWait;
};

#endif // DEVICEDEBUGWIDGET_H
