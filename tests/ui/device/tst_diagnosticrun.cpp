// The diagnostics run on its own, without a window: what it reports stage by
// stage, its aborts, and a new run right after an abort.
#include "ui/device/diagnostics/diagnosticrun.h"

#include "diagnosticssandbox.h"
#include "messagelog.h"

class tst_DiagnosticRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fullDiagnosticReportsEachStage();
    void userAbortDuringTheCountDown();
    void watchGivesUpBeforeTheAbort();
    void killedCaptureDoesNotMoveTheNextRun();
    void abortBeforeAnyResultLeavesNoFolder();

private:
    static ArdentixDevice device();
    static DiagnosticRunOptions options(int test);
    static QStringList texts(const QSignalSpy &spy);

    QScopedPointer<DiagnosticsSandbox> rig;
    QScopedPointer<AxSignalObject> relay;   // the window's own node
};

void tst_DiagnosticRun::init()
{
    rig.reset(new DiagnosticsSandbox);
    relay.reset(new AxSignalObject(&rig->root));
}

void tst_DiagnosticRun::cleanup()
{
    relay.reset();
    rig.reset();
}

ArdentixDevice tst_DiagnosticRun::device()
{
    ArdentixDevice device = diagnosedDevice(QString(), QStringLiteral("02:00:0A:4D:00:02"));
    device.devicePlatform = QStringLiteral("AX-K700");
    device.platformCode = 351;
    device.firmwareVersion = QStringLiteral("FW 6.18");
    return device;
}

DiagnosticRunOptions tst_DiagnosticRun::options(int test)
{
    DiagnosticRunOptions options;
    options.test = test;
    options.period = QTime(0, 0, 3);
    return options;
}

QStringList tst_DiagnosticRun::texts(const QSignalSpy &spy)
{
    QStringList texts;
    for (const QList<QVariant> &arguments : spy)
        texts << arguments.first().toString();
    return texts;
}

void tst_DiagnosticRun::fullDiagnosticReportsEachStage()
{
    DiagnosticRun run(relay.get(), device());
    QSignalSpy starting(&run, &DiagnosticRun::captureStarting);
    QSignalSpy status(&run, &DiagnosticRun::statusChanged);
    QSignalSpy timeLeft(&run, &DiagnosticRun::timeLeftChanged);
    QSignalSpy notices(&run, &DiagnosticRun::eventsToTrigger);
    QSignalSpy completed(&run, &DiagnosticRun::completed);
    DiagnosticRunOptions full = options(TEST_FULL_DIAGNOSTIC);
    full.messageLog = true;
    run.start(full);
    QVERIFY(run.isActive());
    QTRY_COMPARE_WITH_TIMEOUT(completed.size(), 1, 15000);

    QCOMPARE(starting.size(), 4);
    QCOMPARE(texts(status), QStringList({"Getting snapshot before starting..",
                                         "Comm log in progress.    Time to quit: ",
                                         "Message log in progress. Time to quit: ",
                                         "Getting snapshot before finishing..",
                                         "Getting files from Ardentix..."}));
    QCOMPARE(texts(notices), QStringList({"Trigger Events", "Trigger Events Again"}));
    QVERIFY(timeLeft.contains({QTime(0, 2)}));   // the message log's count-down
    QCOMPARE(timeLeft.last().first().toTime(), QTime(0, 0));
    QCOMPARE(rig->captureArguments().at(1).last(), QStringLiteral("-qs4"));

    const QString folderName = rig->runFolders().first();
    QCOMPARE(run.folder(), rig->config.workingPath + "/" + folderName);
    QCOMPARE(completed.first().first().toString(), folderName + ".zip");
    QCOMPARE(run.stage(), DIAG_FETCH);
    QVERIFY(!run.isActive());
}

void tst_DiagnosticRun::userAbortDuringTheCountDown()
{
    qputenv("KOVDEBUG_STUB_HANG", "-d19");
    QSignalSpy abortRequests(&rig->root, &AxSignalObject::_signal_up_abort_bridge_snapshot);
    DiagnosticRun run(relay.get(), device());
    QSignalSpy timeLeft(&run, &DiagnosticRun::timeLeftChanged);
    QSignalSpy aborted(&run, &DiagnosticRun::aborted);
    run.start(options(TEST_SERIAL_CAPTURE));
    QTRY_COMPARE(rig->capturePids().size(), 2);
    QTRY_COMPARE(timeLeft.size(), 1);
    QCOMPARE(timeLeft.first().first().toTime(), QTime(0, 0, 2));

    MessageLog log;
    run.abortByUser();
    QCOMPARE(aborted.size(), 1);
    QCOMPARE(run.stage(), DIAG_ABORTED);
    QVERIFY(!run.isActive());
    QCOMPARE(abortRequests.size(), 1);   // core firmware 6.18
    QTRY_VERIFY(!DiagnosticsSandbox::processAlive(rig->capturePids().last()));
    QTRY_VERIFY(log.contains(QStringLiteral("KILL Capture")));
    QTest::qWait(300);
    QCOMPARE(QDir(run.folder()).entryList(QDir::Files), QStringList({"capture.txt"}));
}

void tst_DiagnosticRun::watchGivesUpBeforeTheAbort()
{
    qputenv("KOVDEBUG_STUB_HANG", "-d14578");
    QSignalSpy abortRequests(&rig->root, &AxSignalObject::_signal_up_abort_bridge_snapshot);
    ArdentixDevice watched = device();
    watched.firmwareVersion = QStringLiteral("FW 6.21");
    DiagnosticRun run(relay.get(), watched);
    QStringList order;
    connect(&run, &DiagnosticRun::givingUp, this, [&](const QString &reason) { order << reason; });
    connect(&run, &DiagnosticRun::aborted, this, [&] { order << QStringLiteral("aborted"); });
    run.start(options(TEST_SNAPSHOT));
    QTRY_COMPARE(rig->capturePids().size(), 1);
    QTRY_COMPARE(order, QStringList({"Device Snapshot error, Aborting test", "aborted"}));
    QTRY_VERIFY(!DiagnosticsSandbox::processAlive(rig->capturePids().first()));
    QCOMPARE(abortRequests.size(), 0);
}

// The killed capture of an aborted run ends after the next run has begun: its
// end must not be taken for the end of the new run's snapshot.
void tst_DiagnosticRun::killedCaptureDoesNotMoveTheNextRun()
{
    qputenv("KOVDEBUG_STUB_HANG", "-d14578");
    DiagnosticRun run(relay.get(), device());
    run.start(options(TEST_SERIAL_CAPTURE));
    QTRY_COMPARE(rig->capturePids().size(), 1);
    run.abortByUser();
    run.start(options(TEST_SERIAL_CAPTURE));
    QTRY_COMPARE(rig->capturePids().size(), 2);
    QTRY_VERIFY(!DiagnosticsSandbox::processAlive(rig->capturePids().first()));
    QTest::qWait(300);
    QCOMPARE(run.stage(), DIAG_SNAPSHOT_FIRST);
    QCOMPARE(rig->capturePids().size(), 2);
    QVERIFY(DiagnosticsSandbox::processAlive(rig->capturePids().last()));
}

// Without the capture tool the snapshot never starts; the aborted run's folder
// holds nothing and goes with it.
void tst_DiagnosticRun::abortBeforeAnyResultLeavesNoFolder()
{
    rig->config.toolsPath = rig->sandbox.filePath("bin");
    DiagnosticRun run(relay.get(), device());
    run.start(options(TEST_SNAPSHOT));
    QCOMPARE(rig->runFolders().size(), 1);
    run.abortByUser();
    QCOMPARE(rig->runFolders(), QStringList());
    QVERIFY(run.folder().isEmpty());
}

QTEST_GUILESS_MAIN(tst_DiagnosticRun)
#include "tst_diagnosticrun.moc"
