// Whole diagnostics runs with the stand-in capture tool and KOVNET tool and the
// system's zip: each test end to end, aborts, a hanging or failing tool, the
// snapshot watch, and run folders that exist or can't be made.
#include "ui/device/devicedebugwidget.h"

#include "diagnosticsrig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QPushButton>
#include <QTimeEdit>

class tst_DiagnosticRuns : public QObject
{
    Q_OBJECT

private slots:
    void snapShot();
    void serialCaptureWithItsPeriod();
    void fullDiagnosticWithMessageLogAndFlags();
    void abortKillsTheCaptureAndArchivesNothing();
    void cancelKeepsTheRunGoing();
    void abortStopsTheFetch();
    void closingKillsTheCapture();
    void failingToolStillCompletes();
    void missingToolWaitsForAbort();
    void earlierRunsFolderIsKept();
    void withoutArchiverTheBoxNamesTheFolder();
    void folderThatCannotBeMade();
    void snapshotWatch_data();
    void snapshotWatch();
    void statusLinesKeepTheWidth();

private:
    static ArdentixDevice device();
    DeviceDebugWidget *openWindow(const ArdentixDevice &device);
    template<typename T>
    T *child(const char *name) { return window->findChild<T *>(QLatin1String(name)); }
    void chooseTest(int index);
    void clickStart();
    static QString completion(const QString &folderName);

    QScopedPointer<DiagnosticsRig> rig;
    QPointer<DeviceDebugWidget> window;

private slots:
    void init() { rig.reset(new DiagnosticsRig); }
    void cleanup()
    {
        delete window;
        rig.reset();
    }
};

ArdentixDevice tst_DiagnosticRuns::device()
{
    ArdentixDevice device = diagnosedDevice(QStringLiteral("Packing line"), QStringLiteral("02:00:0A:4D:00:02"));
    device.devicePlatform = QStringLiteral("AX-K700");
    device.vekConnectivity = true;
    return device;
}

DeviceDebugWidget *tst_DiagnosticRuns::openWindow(const ArdentixDevice &device)
{
    window = new DeviceDebugWidget(nullptr, RUN_MODE(0), &rig->root, device);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}

void tst_DiagnosticRuns::chooseTest(int index)
{
    auto *tests = child<QComboBox>("diagnosticTestComboBox");
    tests->setFocus();
    while (tests->currentIndex() > index)
        QTest::keyClick(tests, Qt::Key_Up);
}

void tst_DiagnosticRuns::clickStart()
{
    QTest::mouseClick(child<QPushButton>("startDebugButton"), Qt::LeftButton);
}

QString tst_DiagnosticRuns::completion(const QString &folderName)
{
    return QStringLiteral("Diagnostic Test Complete|Diagnostic test completed and the results have been added to ")
           + folderName + QStringLiteral(".zip \nDo you want to open the containing folder?");
}

void tst_DiagnosticRuns::snapShot()
{
    rig->boxes.answers.insert(QStringLiteral("Diagnostic Test Complete"), QStringLiteral("Open"));
    openWindow(device());
    chooseTest(TEST_SNAPSHOT);
    clickStart();
    QTRY_VERIFY(rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")));

    QCOMPARE(rig->runFolders().size(), 1);
    const QString folderName = rig->runFolders().first();
    const QString folder = rig->config.workingPath + QLatin1Char('/') + folderName;
    QVERIFY(QRegularExpression(QStringLiteral("^Diagnostic_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d$"))
                .match(folderName).hasMatch());
    QCOMPARE(rig->calls("kovdebug-calls.txt"), QList<QStringList>({{folder, "-i10.77.0.2", "-d14", "-qs0"}}));
    QCOMPARE(rig->calls("kovnet-calls.txt").size(), 1);   // the short list: config.csv
    QCOMPARE(rig->boxes.seen, QStringList({completion(folderName)}));
    QTRY_COMPARE(QDir(folder).entryList(QDir::Files), QStringList({folderName + ".zip"}));
    QCOMPARE(DiagnosticsRig::archiveEntries(folder + "/" + folderName + ".zip"),
             QStringList({"capture.txt", "config.csv"}));

    // "Open" opened the folder; the window is ready for another run.
    QTRY_COMPARE(rig->calls("explorer-calls.txt"), QList<QStringList>({{folder}}));
    QVERIFY(child<QPushButton>("openFolderButton")->isEnabled());
    QVERIFY(!child<QPushButton>("startDebugButton")->isChecked());
    QCOMPARE(child<QPushButton>("startDebugButton")->text(), QStringLiteral("Start Diagnostic"));
    QCOMPARE(child<QLabel>("setTimeLabel")->text(), QStringLiteral("Set capture period"));
    QVERIFY(child<QComboBox>("diagnosticTestComboBox")->isEnabled());
    QVERIFY(child<QPushButton>("close_button")->isEnabled());
    QTest::mouseClick(child<QPushButton>("openFolderButton"), Qt::LeftButton);
    QTRY_COMPARE(rig->calls("explorer-calls.txt").size(), 2);
}

void tst_DiagnosticRuns::serialCaptureWithItsPeriod()
{
    openWindow(device());
    chooseTest(TEST_SERIAL_CAPTURE);
    child<QTimeEdit>("timeEdit")->setTime(QTime(1, 30, 0));
    child<QCheckBox>("timestampCheckBox")->setChecked(false);
    clickStart();
    QTRY_VERIFY(rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")));
    QVERIFY(rig->boxes.saw(QStringLiteral("Trigger Events")));
    QCOMPARE(rig->captureArguments(), QList<QStringList>({{"-i10.77.0.2", "-d14", "-qs0"},
                                                           {"-i10.77.0.2", "-d19", "-zR1R2P1P2P3P4P5P6P7P8S1DH+", "-qm90"},
                                                           {"-i10.77.0.2", "-d14", "-qs0"}}));
    // The period chosen is kept for the next run of this window.
    QCOMPARE(child<QTimeEdit>("timeEdit")->time(), QTime(1, 30, 0));
}

void tst_DiagnosticRuns::fullDiagnosticWithMessageLogAndFlags()
{
    ArdentixDevice core = device();
    core.platformCode = 351;
    core.firmwareVersion = QStringLiteral("FW 6.18");
    openWindow(core);
    child<QCheckBox>("msgLogCheckBox")->setChecked(true);
    QTest::mouseClick(child<QCheckBox>("advancedOptionsCheckBox"), Qt::LeftButton, {}, QPoint(5, 10));
    child<QLineEdit>("additionalFlagsEdit")->setText(QStringLiteral("-v  \"a b\";$(touch x)"));
    clickStart();
    QTRY_VERIFY_WITH_TIMEOUT(rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")), 15000);
    QVERIFY(rig->boxes.saw(QStringLiteral("Trigger Events Again")));

    const QStringList flags{"-v", "", "\"a", "b\";$(touch", "x)"};
    QCOMPARE(rig->captureArguments(),
             QList<QStringList>({QStringList{"-i10.77.0.2", "-d14578", "-qs0"} + flags,
                                 QStringList{"-i10.77.0.2", "-d19",
                                             "-zR1[t]R2[t]P1[t]P2[t]P3[t]P4[t]P5[t]P6[t]P7[t]P8[t]S1[t]DH+[t]",
                                             "-qs301"} + flags,
                                 {"-i10.77.0.2", "-d19", "-l3", "-qs121"},
                                 QStringList{"-i10.77.0.2", "-d1458", "-qs0"} + flags}));

    // The full list, fetched with the KOVNET tool; batch and program files disguised.
    QCOMPARE(rig->calls("kovnet-calls.txt").size(), 40);
    const QString folderName = rig->runFolders().first();
    const QString archive = rig->config.workingPath + "/" + folderName + "/" + folderName + ".zip";
    QTRY_VERIFY(QFile::exists(archive));
    const QStringList entries = DiagnosticsRig::archiveEntries(archive);
    QCOMPARE(entries.size(), 38 + 1 + 1);   // distinct fixed files, the boot menu and the capture
    QVERIFY(entries.contains(QStringLiteral("startup.b__")));
    QVERIFY(entries.contains(QStringLiteral("bootmenu.e__")));
    QVERIFY(entries.filter(QRegularExpression(QStringLiteral("\\.(bat|exe)$"))).isEmpty());
    QVERIFY(!QFile::exists(rig->config.workingPath + "/" + folderName + "/x)"));
}

void tst_DiagnosticRuns::abortKillsTheCaptureAndArchivesNothing()
{
    qputenv("KOVDEBUG_STUB_HANG", "-d19");
    ArdentixDevice core = device();
    core.platformCode = 351;
    core.firmwareVersion = QStringLiteral("FW 6.18");
    QSignalSpy abortRequests(&rig->root, &AxSignalObject::_signal_up_abort_bridge_snapshot);
    openWindow(core);
    child<QTimeEdit>("timeEdit")->setTime(QTime(0, 0, 3));
    clickStart();
    QTRY_COMPARE(rig->capturePids().size(), 2);
    QCOMPARE(child<QLabel>("setTimeLabel")->text(), QStringLiteral("Comm log in progress.    Time to quit: "));
    QTRY_COMPARE(child<QTimeEdit>("timeEdit")->time(), QTime(0, 0, 2));
    const qint64 capture = rig->capturePids().last();
    QVERIFY(DiagnosticsRig::processAlive(capture));

    rig->boxes.answers.insert(QStringLiteral("Abort Diagnostic Test?"), QStringLiteral("Abort Test"));
    QTest::ignoreMessage(QtDebugMsg, "KILL Capture");
    clickStart();
    QTRY_VERIFY(rig->boxes.saw(QStringLiteral("Abort Diagnostic Test?")));
    QTRY_VERIFY(!DiagnosticsRig::processAlive(capture));
    QCOMPARE(abortRequests.size(), 1);
    QCOMPARE(child<QPushButton>("startDebugButton")->text(), QStringLiteral("Start Diagnostic"));
    QVERIFY(!child<QPushButton>("startDebugButton")->isChecked());
    QCOMPARE(child<QTimeEdit>("timeEdit")->time(), QTime(0, 0, 3));

    // What was captured stays; nothing is packed as if the run were complete.
    QTest::qWait(300);
    const QString folder = rig->config.workingPath + "/" + rig->runFolders().first();
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({"capture.txt"}));
    QVERIFY(!rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")));
    QCOMPARE(rig->captureArguments().size(), 2);
}

// The click that asked has unchecked the button; "Cancel" must not leave the
// next click starting a second run over the first.
void tst_DiagnosticRuns::cancelKeepsTheRunGoing()
{
    qputenv("KOVDEBUG_STUB_HANG", "-d14");
    QSignalSpy abortRequests(&rig->root, &AxSignalObject::_signal_up_abort_bridge_snapshot);
    openWindow(device());
    clickStart();
    QTRY_COMPARE(rig->capturePids().size(), 1);

    rig->boxes.answers.insert(QStringLiteral("Abort Diagnostic Test?"), QStringLiteral("Cancel"));
    clickStart();
    QTRY_VERIFY(rig->boxes.saw(QStringLiteral("Abort Diagnostic Test?")));
    QTRY_VERIFY(child<QPushButton>("startDebugButton")->isChecked());
    QCOMPARE(child<QPushButton>("startDebugButton")->text(), QStringLiteral("Abort Diagnostic"));
    QVERIFY(DiagnosticsRig::processAlive(rig->capturePids().first()));

    rig->boxes.seen.clear();
    clickStart();
    QTRY_VERIFY(rig->boxes.saw(QStringLiteral("Abort Diagnostic Test?")));
    QCOMPARE(rig->capturePids().size(), 1);
    rig->boxes.answers.insert(QStringLiteral("Abort Diagnostic Test?"), QStringLiteral("Abort Test"));
    clickStart();
    QTRY_VERIFY(!DiagnosticsRig::processAlive(rig->capturePids().first()));
    QCOMPARE(abortRequests.size(), 0);   // not core firmware 6.18
}

void tst_DiagnosticRuns::abortStopsTheFetch()
{
    // A fetching tool that never ends.
    QFile slow(rig->sandbox.filePath("bin/kovnet"));
    QVERIFY(slow.open(QIODevice::WriteOnly | QIODevice::Truncate));
    slow.write("#!/bin/sh\necho $$ > \"$KOVNET_STUB_LOG\"\nexec sleep 600\n");
    slow.close();
    openWindow(device());
    chooseTest(TEST_SNAPSHOT);
    clickStart();
    QTRY_VERIFY(QFile(rig->sandbox.filePath("kovnet-calls.txt")).size() > 0);
    QCOMPARE(child<QLabel>("setTimeLabel")->text(), QStringLiteral("Getting files from Ardentix..."));
    QFile pidFile(rig->sandbox.filePath("kovnet-calls.txt"));
    QVERIFY(pidFile.open(QIODevice::ReadOnly));
    const qint64 fetcher = pidFile.readAll().trimmed().toLongLong();
    QVERIFY(DiagnosticsRig::processAlive(fetcher));

    rig->boxes.answers.insert(QStringLiteral("Abort Diagnostic Test?"), QStringLiteral("Abort Test"));
    clickStart();
    QTRY_VERIFY(!DiagnosticsRig::processAlive(fetcher));
    QTest::qWait(300);
    QVERIFY(!rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")));
    const QString folder = rig->config.workingPath + "/" + rig->runFolders().first();
    QVERIFY(QDir(folder).entryList({"*.zip"}).isEmpty());
}

void tst_DiagnosticRuns::closingKillsTheCapture()
{
    qputenv("KOVDEBUG_STUB_HANG", "-d14");
    QSignalSpy abortRequests(&rig->root, &AxSignalObject::_signal_up_abort_bridge_snapshot);
    openWindow(device());
    clickStart();
    QTRY_COMPARE(rig->capturePids().size(), 1);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    QTRY_VERIFY(!DiagnosticsRig::processAlive(rig->capturePids().first()));
    QCOMPARE(abortRequests.size(), 0);
}

// Every end of the tool moves the run on, whatever its exit code.
void tst_DiagnosticRuns::failingToolStillCompletes()
{
    qputenv("KOVDEBUG_STUB_EXIT", "3");
    openWindow(device());
    chooseTest(TEST_SERIAL_CAPTURE);
    clickStart();
    QTRY_VERIFY(rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")));
    QCOMPARE(rig->captureArguments().size(), 3);
}

void tst_DiagnosticRuns::missingToolWaitsForAbort()
{
    QFile::remove(rig->sandbox.filePath("tools/kovdebug"));
    openWindow(device());
    clickStart();
    QTest::qWait(200);
    QCOMPARE(child<QPushButton>("startDebugButton")->text(), QStringLiteral("Abort Diagnostic"));
    QVERIFY(!child<QComboBox>("diagnosticTestComboBox")->isEnabled());
    QVERIFY(!child<QPushButton>("close_button")->isEnabled());
    rig->boxes.answers.insert(QStringLiteral("Abort Diagnostic Test?"), QStringLiteral("Abort Test"));
    clickStart();
    QTRY_VERIFY(child<QPushButton>("close_button")->isEnabled());
    QVERIFY(child<QComboBox>("diagnosticTestComboBox")->isEnabled());
}

// A second run in the same minute gets a folder of its own: its archive would
// otherwise take the earlier run's files.
void tst_DiagnosticRuns::earlierRunsFolderIsKept()
{
    openWindow(device());
    chooseTest(TEST_SNAPSHOT);
    const QDateTime now = QDateTime::currentDateTime();
    for (const QDateTime &minute : {now, now.addSecs(60)}) {
        const QString earlier = rig->config.workingPath + "/Diagnostic_" + minute.toString("yyyy-MM-dd_hh-mm");
        QDir().mkpath(earlier);
        QFile keep(earlier + "/earlier.csv");
        QVERIFY(keep.open(QIODevice::WriteOnly));
    }
    clickStart();
    QTRY_VERIFY(rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")));
    const QStringList folders = rig->runFolders();
    QCOMPARE(folders.size(), 3);
    const QString made = rig->calls("kovdebug-calls.txt").first().first();
    QVERIFY(made.endsWith(QLatin1String("_2")));
    QVERIFY(rig->boxes.seen.contains(completion(made.section('/', -1))));
    for (const QString &folder : folders) {
        if (!folder.endsWith(QLatin1String("_2")))
            QCOMPARE(QDir(rig->config.workingPath + "/" + folder).entryList(QDir::Files),
                     QStringList({"earlier.csv"}));
    }
    QTRY_VERIFY(QFile::exists(made + "/" + made.section('/', -1) + ".zip"));
}

void tst_DiagnosticRuns::withoutArchiverTheBoxNamesTheFolder()
{
    const auto restorePath = qScopeGuard([path = qgetenv("PATH")] { qputenv("PATH", path); });
    qputenv("PATH", rig->sandbox.path().toLocal8Bit());   // no zip anywhere
    openWindow(device());
    chooseTest(TEST_SNAPSHOT);
    clickStart();
    QTRY_VERIFY(rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")));
    const QString folderName = rig->runFolders().first();
    QCOMPARE(rig->boxes.seen.first(), QString(completion(folderName)).remove(QStringLiteral(".zip")));
    QCOMPARE(QDir(rig->config.workingPath + "/" + folderName).entryList(QDir::Files),
             QStringList({"capture.txt", "config.csv"}));
}

void tst_DiagnosticRuns::folderThatCannotBeMade()
{
    rig->config.workingPath = QStringLiteral("/proc");
    openWindow(device());
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Error creating diagnostic path:  \"/proc/Diagnostic_"));
    clickStart();
    QTest::qWait(200);
    QVERIFY(rig->captureArguments().isEmpty());
    QCOMPARE(child<QPushButton>("startDebugButton")->text(), QStringLiteral("Abort Diagnostic"));
}

void tst_DiagnosticRuns::snapshotWatch_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("box");
    QTest::newRow("never seen running") << "FW 6.21" << int(DISCOVERY_ONLINE)
                                        << "Device Snapshot error, Aborting test";
    QTest::newRow("device lost") << "FW 6.21" << int(DISCOVERY_LOST) << "Lost Connection to Device, Aborting test";
    QTest::newRow("not watched before 6.21") << "FW 6.20" << int(DISCOVERY_LOST) << "";
}

void tst_DiagnosticRuns::snapshotWatch()
{
    QFETCH(QString, firmware);
    QFETCH(int, state);
    QFETCH(QString, box);
    qputenv("KOVDEBUG_STUB_HANG", "-d14");
    ArdentixDevice watched = device();
    watched.firmwareVersion = firmware;
    QSignalSpy abortRequests(&rig->root, &AxSignalObject::_signal_up_abort_bridge_snapshot);
    openWindow(watched);
    clickStart();
    // The toolbar forwards what discovery last saw of the device: running, from
    // before the watch's first tick, however long the tool takes to start.
    watched.deviceStatus = 0x200;
    QMetaObject::invokeMethod(window, "UpdateDevice", Q_ARG(ArdentixDevice, watched));
    QTRY_COMPARE(rig->capturePids().size(), 1);
    QTest::qWait(20 * 15);   // ticks every 20 ms: a running snapshot keeps the watch quiet
    QVERIFY(rig->boxes.seen.isEmpty());
    watched.deviceStatus = 0;
    watched.discoveryState = DISCOVERY_STATE(state);
    QMetaObject::invokeMethod(window, "UpdateDevice", Q_ARG(ArdentixDevice, watched));

    if (box.isEmpty()) {
        QTest::qWait(20 * 15);
        QVERIFY(rig->boxes.seen.isEmpty());
        QVERIFY(DiagnosticsRig::processAlive(rig->capturePids().first()));
        return;
    }
    QTRY_COMPARE(rig->boxes.seen, QStringList({"|" + box}));
    QTRY_VERIFY(!DiagnosticsRig::processAlive(rig->capturePids().first()));
    QCOMPARE(child<QPushButton>("startDebugButton")->text(), QStringLiteral("Start Diagnostic"));
    QCOMPARE(abortRequests.size(), 0);
    QTest::qWait(100);
    QCOMPARE(rig->boxes.seen.size(), 1);
}

// The longer status lines of a run wrap instead of widening the window.
void tst_DiagnosticRuns::statusLinesKeepTheWidth()
{
    openWindow(device());
    QTest::qWait(50);
    const int width = window->width();
    child<QCheckBox>("msgLogCheckBox")->setChecked(true);
    clickStart();
    QTRY_VERIFY_WITH_TIMEOUT(rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")), 15000);
    QTest::qWait(50);
    QCOMPARE(window->width(), width);
}

QTEST_MAIN(tst_DiagnosticRuns)
#include "tst_diagnosticruns.moc"
