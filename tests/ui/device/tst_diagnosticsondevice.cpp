// The diagnostics window against the gateway emulator's web side: the device's
// login, and the device's own listing of its files with the files fetched over
// HTTP. The emulator runs in namespace B; the window, its JSON-RPC client, the
// fetching tool and the stand-in capture tool in A.
#include "ui/device/devicedebugwidget.h"
#include "ui/device/logindialog.h"


#include "diagnosticsrig.h"
#include "gatewaytestbed.h"
#include "toolboxbus.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class tst_DiagnosticsOnDevice : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loginThenFullDiagnosticFromTheDevicesListing();
    void refusedLoginAsksAgain_data();
    void refusedLoginAsksAgain();
    void listingNotGivenWaitsForAbort_data();
    void listingNotGivenWaitsForAbort();
    void runThatCollectsNothingSaysSo();

private:
    bool startDevice(const QStringList &options);
    void openWindow(const ArdentixDevice &device, int jsonDeadlineMs = AxNetworkAccessManager::kDefaultDeadlineMs);
    static ArdentixDevice gateway();
    static LoginDialog *loginDialog();
    void logIn(const QString &password);
    void chooseSnapShot();
    template<typename T>
    T *child(const char *name) { return window->findChild<T *>(QLatin1String(name)); }

    EmulatorProcess &emulator() { return bed->emulator(); }

    QScopedPointer<GatewayTestBed> bed;
    QScopedPointer<DiagnosticsRig> rig;
    QScopedPointer<ToolboxBus> bus;   // the root, wired as the controller wires it
    QPointer<DeviceDebugWidget> window;
};

ArdentixDevice tst_DiagnosticsOnDevice::gateway()
{
    ArdentixDevice device = diagnosedDevice(QStringLiteral("Gateway 0"), QStringLiteral("02:A0:00:00:00:01"));
    device.jsonSupport = true;
    return device;
}

void tst_DiagnosticsOnDevice::init()
{
    bed.reset(new GatewayTestBed);
    rig.reset(new DiagnosticsRig(&bed->sandbox()));
    AX_REQUIRE_TESTBED(*bed);

    // The device's own files.
    QDir(rig->sandbox.path()).mkpath(QStringLiteral("device"));
    const QList<QPair<const char *, QByteArray>> files{
        {"config.csv", "tag,value\n"}, {"ax_tcp.ini", "N1_IP = 10.77.0.2\n"}, {"snapshot.log", "snap\n"},
        {"startup.bat", "@echo off\n"}, {"kernel", "\x7f" "ELF"}};
    for (const auto &file : files) {
        QFile out(rig->sandbox.filePath(QStringLiteral("device/") + file.first));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file.second);
    }
}

void tst_DiagnosticsOnDevice::cleanup()
{
    delete window;
    bus.reset();
    rig.reset();
    bed.reset();
}

bool tst_DiagnosticsOnDevice::startDevice(const QStringList &options)
{
    if (!bed->startEmulator(QStringList{"--http", "--device-files", rig->sandbox.filePath("device")} + options))
        return false;
    bus.reset(new ToolboxBus);
    bus->root.settings = &rig->config;
    return true;
}

void tst_DiagnosticsOnDevice::openWindow(const ArdentixDevice &device, int jsonDeadlineMs)
{
    window = new DeviceDebugWidget(nullptr, RUN_MODE(0), &bus->root, device, jsonDeadlineMs);
    window->setAttribute(Qt::WA_DeleteOnClose);
}

LoginDialog *tst_DiagnosticsOnDevice::loginDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<LoginDialog *>(widget); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

void tst_DiagnosticsOnDevice::logIn(const QString &password)
{
    LoginDialog *dialog = loginDialog();
    QVERIFY(dialog);
    QTest::keyClicks(dialog->findChild<QLineEdit *>("passwordLineEdit"), password);
    QTest::mouseClick(dialog->findChild<QPushButton *>("loginButton"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void tst_DiagnosticsOnDevice::chooseSnapShot()
{
    auto *tests = child<QComboBox>("diagnosticTestComboBox");
    tests->setFocus();
    QTest::keyClick(tests, Qt::Key_Up);
    QTest::keyClick(tests, Qt::Key_Up);
}

void tst_DiagnosticsOnDevice::loginThenFullDiagnosticFromTheDevicesListing()
{
    QVERIFY(startDevice({"--http-user", "Admin", "--http-password", "p \"w\""}));
    ArdentixDevice locked = gateway();
    locked.passwordRequired = true;
    openWindow(locked);
    QVERIFY(!child<QFrame>("diagnosticFrame")->isEnabled());
    logIn(QStringLiteral("p \"w\""));
    QTRY_VERIFY(child<QFrame>("diagnosticFrame")->isEnabled());
    QVERIFY(child<QFrame>("closeFrame")->isEnabled());

    QTest::mouseClick(child<QPushButton>("startDebugButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")), 20000);
    QVERIFY(emulator().findLine(QRegularExpression(QStringLiteral("rpc list files"))).size() > 0);

    // The root's files as the device listed them, over HTTP with the login given.
    QVERIFY(rig->calls("kovnet-calls.txt").isEmpty());
    const QString folderName = rig->runFolders().first();
    const QString archive = rig->config.workingPath + "/" + folderName + "/" + folderName + ".zip";
    QTRY_VERIFY(QFile::exists(archive));
    QCOMPARE(DiagnosticsRig::archiveEntries(archive),
             QStringList({"ax_tcp.ini", "capture.txt", "config.csv", "dirlist.txt", "kernel", "snapshot.log",
                          "startup.b__"}));
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {"-p", archive, "ax_tcp.ini"});
    QVERIFY(unzip.waitForFinished(5000));
    QCOMPARE(unzip.readAllStandardOutput(), QByteArray("N1_IP = 10.77.0.2\n"));
}

void tst_DiagnosticsOnDevice::refusedLoginAsksAgain_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("password");
    QTest::newRow("wrong password") << QStringList{"--http-user", "Admin", "--http-password", "right"} << "wrong";
    QTest::newRow("device refuses every login")
        << QStringList{"--http-user", "Admin", "--http-password", "right", "--refuse-credentials"} << "right";
}

void tst_DiagnosticsOnDevice::refusedLoginAsksAgain()
{
    QFETCH(QStringList, options);
    QFETCH(QString, password);
    QVERIFY(startDevice(options));
    ArdentixDevice locked = gateway();
    locked.passwordRequired = true;
    openWindow(locked);
    logIn(password);
    QTRY_VERIFY(loginDialog());
    QVERIFY(!child<QFrame>("diagnosticFrame")->isEnabled());
    QVERIFY(!child<QFrame>("closeFrame")->isEnabled());
    QCOMPARE(loginDialog()->findChild<QLineEdit *>("usernameLineEdit")->text(), QStringLiteral("Admin"));
    QCOMPARE(loginDialog()->findChild<QLineEdit *>("passwordLineEdit")->text(), QString());
    loginDialog()->close();
}

// A listing the device does not give leaves the run fetching until the user
// aborts it; nothing is archived then.
void tst_DiagnosticsOnDevice::listingNotGivenWaitsForAbort_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("answer is not JSON") << QStringList{"--http-garbage"};
    QTest::newRow("answer too late") << QStringList{"--http-delay", "3000"};
}

void tst_DiagnosticsOnDevice::listingNotGivenWaitsForAbort()
{
    QFETCH(QStringList, options);
    QVERIFY(startDevice(options));
    openWindow(gateway(), 300);
    chooseSnapShot();
    // The listing is asked for once the snapshot is taken; the device's answer
    // is useless, or comes after the 300 ms the window waits.
    QTest::ignoreMessage(QtDebugMsg, "Get file list");
    QTest::mouseClick(child<QPushButton>("startDebugButton"), Qt::LeftButton);
    QTRY_COMPARE(rig->capturePids().size(), 1);
    QTest::qWait(1500);
    QVERIFY(rig->boxes.seen.isEmpty());
    QCOMPARE(child<QPushButton>("startDebugButton")->text(), QStringLiteral("Abort Diagnostic"));

    rig->boxes.answers.insert(QStringLiteral("Abort Diagnostic Test?"), QStringLiteral("Abort Test"));
    QTest::mouseClick(child<QPushButton>("startDebugButton"), Qt::LeftButton);
    QTRY_COMPARE(child<QPushButton>("startDebugButton")->text(), QStringLiteral("Start Diagnostic"));
    QTest::qWait(300);
    QVERIFY(!rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")));
    const QString folder = rig->config.workingPath + "/" + rig->runFolders().first();
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({"capture.txt"}));
}

// A device that lists no file the snapshot takes, and a capture tool that writes
// nothing: no archive is promised and no empty folder stays behind.
void tst_DiagnosticsOnDevice::runThatCollectsNothingSaysSo()
{
    QVERIFY(QDir(rig->sandbox.filePath("device")).removeRecursively());
    QVERIFY(QDir(rig->sandbox.path()).mkpath(QStringLiteral("device")));
    QVERIFY(startDevice({}));
    qputenv("KOVDEBUG_STUB_SILENT", "1");
    openWindow(gateway());
    chooseSnapShot();
    QTest::mouseClick(child<QPushButton>("startDebugButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(rig->boxes.saw(QStringLiteral("Diagnostic Test Complete")), 20000);
    QVERIFY(emulator().findLine(QRegularExpression(QStringLiteral("rpc list files"))).size() > 0);

    QCOMPARE(rig->boxes.seen, QStringList({"Diagnostic Test Complete|Diagnostic test completed but nothing was "
                                           "collected: the capture tool wrote no files and the device listed "
                                           "no files for this test."}));
    QCOMPARE(rig->runFolders(), QStringList());
    QVERIFY(!child<QPushButton>("openFolderButton")->isEnabled());
    QCOMPARE(child<QPushButton>("startDebugButton")->text(), QStringLiteral("Start Diagnostic"));
}

QTEST_MAIN(tst_DiagnosticsOnDevice)
#include "tst_diagnosticsondevice.moc"
