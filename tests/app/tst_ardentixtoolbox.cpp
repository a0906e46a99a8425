#include "app/ardentixtoolbox.h"
#include "app/axdebugmessagehandler.h"
#include "app/messagerouting.h"

#include "comm/axcomm.h"
#include "model/axsignalobject.h"
#include "model/devicedatabase.h"
#include "platform/processcount.h"
#include "ui/main/axtmainwindow.h"
#include "ui/tool/helpwidget.h"
#include "ui/tool/systemsettingswidget.h"

#include "steadycount.h"
#include "toolboxtestbed.h"
#include "toplevelwidgets.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <memory>

// The real controller with the real store and communications manager, in network
// namespace A, and the gateway emulator in B: nothing leaves the namespace pair.
class tst_ArdentixToolbox : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_bed.reset(); }

    void discoveredDevicesReachTheStoreAndTheMainWindow();
    void everyConnectionIsMade();
    void deviceAddedByAddressIsStoredAndReplacedByTheDiscoveredOne();
    void forcedPingPingsOnlyAfterF5();
    void profileChangeReappliesThePingAndTimeouts();
    void uncreatableWorkingDirectoryIsShown();
    void setupOpensOneSettingsWindow();
    void addressesOfNoNewDeviceAreRefused();
    void fileThatCannotBeReadIsShown();
    void normalStartKeepsTheConsoleQuiet();
    void closingTheMainWindowEndsTheProgram();

private:
    void storeQuickProfile() const { m_bed->storeProfile("Quick", {{"ping_interval", 200}}); }
    static AXTMainWindow *mainWindow() { return ToolboxTestBed::mainWindow(); }
    DeviceDatabase *store() const { return m_bed->store(); }
    int pingsSeen() const;
    void waitUntilListedOnline() const;
    QString refusalOf(const QString &typed);

    std::unique_ptr<ToolboxTestBed> m_bed;
};

void tst_ArdentixToolbox::init()
{
    m_bed = std::make_unique<ToolboxTestBed>();
    AX_REQUIRE_TESTBED(*m_bed);
}

int tst_ArdentixToolbox::pingsSeen() const
{
    return m_bed->emulator().countLines(QRegularExpression("^DISCOVERY from 10\\.77\\.0\\.1 to 255\\.255\\.255\\.255"));
}

void tst_ArdentixToolbox::discoveredDevicesReachTheStoreAndTheMainWindow()
{
    // Both gateways serve their web side, each on an address of namespace B.
    QString error;
    QVERIFY2(m_bed->pair().addAddress(NetnsPair::B, "10.77.0.3/24", &error), qPrintable(error));
    QVERIFY(m_bed->startEmulator({"--devices", "2", "--base-mac", "02:A0:00:00:00:01", "--http"}));
    m_bed->start(RUN_MODE(0));

    AXTMainWindow *window = mainWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(store());
    QSignalSpy shown(store(), &DeviceDatabase::onlineDeviceUpdate);

    // Discovery pings at once; the maintenance pass shows what answered every second.
    QStringList macs;
    QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (const QList<QVariant> &arguments : shown)
                    macs << arguments.first().value<ArdentixDevice>().macAddress;
                macs.removeDuplicates();
                macs.sort();
                return macs == QStringList({"02:A0:00:00:00:01", "02:A0:00:00:00:02"});
            }(),
            8000);
    DeviceDatabase::ReadResult result = DeviceDatabase::ReadFailed;
    const ArdentixDevice second = store()->readDeviceByMac("02:A0:00:00:00:02", &result);
    QCOMPARE(result, DeviceDatabase::DeviceFound);
    QCOMPARE(second.ipAddress, QHostAddress("10.77.0.3"));
    QVERIFY(second.vekConnectivity);
    QVERIFY(pingsSeen() >= 1);

    // A new device is probed over JSON-RPC; the answers come back up the bus to the store.
    for (const QString &mac : macs) {
        QTRY_VERIFY_WITH_TIMEOUT(store()->readDeviceByMac(mac).jsonSupport, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(store()->readDeviceByMac(mac).axguiSupport, 10000);
    }
}

void tst_ArdentixToolbox::everyConnectionIsMade()
{
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-ip", "10.77.0.100"}));
    m_bed->start(RUN_MODE(RUN_MODE_FORCED_PING));
    AXTMainWindow *window = mainWindow();
    DeviceDatabase *db = store();
    AxComm *comm = m_bed->toolbox()->findChild<AxComm *>();
    QVERIFY(window && db && comm);
    // The root: upstream of the main window's node, which is the help window's upstream.
    HelpWidget *help = topLevelWidgetOf<HelpWidget>();
    QVERIFY(help && help->bus && help->bus->upstream);
    AxSignalObject *root = help->bus->upstream->upstream;
    QVERIFY(root);

    // Each expected connection exists exactly when it can be taken away.
    struct Connection { QObject *from; const char *signal; QObject *to; const char *slot; };
    const Connection expected[] = {
        {comm, SIGNAL(deviceFound(ArdentixDevice)), m_bed->toolbox(), SLOT(onDeviceFound(ArdentixDevice))},
        {db, SIGNAL(onlineDeviceUpdate(ArdentixDevice)), window, SLOT(AddDeviceToList(ArdentixDevice))},
        {db, SIGNAL(deviceOffline(ArdentixDevice)), window, SLOT(deviceOffline(ArdentixDevice))},
        {db, SIGNAL(deviceLost(ArdentixDevice)), comm, SLOT(deviceLost(ArdentixDevice))},
        {window, SIGNAL(deviceFavoriteChangedSignal(QString,bool)), m_bed->toolbox(),
         SLOT(onDeviceFavoriteChanged(QString,bool))},
        {window, SIGNAL(userDeviceAdded(ArdentixDevice)), db, SLOT(updateDeviceOnDefaultDatabase(ArdentixDevice))},
        {window, SIGNAL(userDeviceAdded(ArdentixDevice)), db, SLOT(updateDeviceOnFileDatabase(ArdentixDevice))},
        {window, SIGNAL(userDeviceRemoved(QString)), db, SLOT(removeDeviceFromDefaultDatabaseByIP(QString))},
        {window, SIGNAL(userDeviceRemoved(QString)), db, SLOT(removeDeviceFromFileDatabaseByIP(QString))},
        {db, SIGNAL(removeDevice(QString)), window, SLOT(removeDeviceFromList(QString))},
        {window, SIGNAL(showSetupWidget()), m_bed->toolbox(), SLOT(showSetupWidget())},
        {window, SIGNAL(start_forced_ping()), m_bed->toolbox(), SLOT(start_forced_ping())},
        {root, SIGNAL(_signal_up_axgui_support(QString,bool,bool)), db,
         SLOT(updateAxguiSupported(QString,bool,bool))},
        {root, SIGNAL(_signal_up_diag_support(QString,bool,bool)), db, SLOT(updateDiagSupported(QString,bool,bool))},
        {root, SIGNAL(_signal_up_security_status(QString,SECURITY_STATUS,bool)), db,
         SLOT(updateSecurityStatus(QString,SECURITY_STATUS,bool))},
        {root, SIGNAL(_signal_up_vek_advanced_network_support(QString,VEK_NET_SUPPORT)), db,
         SLOT(updateVekAdvancedNetworkSupported(QString,VEK_NET_SUPPORT))},
        {root, SIGNAL(_signal_up_json_support(QString,bool,bool)), db, SLOT(updateJsonSupported(QString,bool,bool))},
        {root, SIGNAL(_signal_up_set_device_password_protection(QString,bool)), db,
         SLOT(setDevicePasswordProtected(QString,bool))},
        {root, SIGNAL(_signal_up_set_device_credentials(ArdentixDevice)), db, SLOT(setDeviceCredentials(ArdentixDevice))},
        {root, SIGNAL(_signal_up_pause_update(bool)), window, SLOT(pause_updates_toggle(bool))},
        {root, SIGNAL(_signal_up_file_received(QString,QByteArray,bool,ArdentixDevice)), root,
         SLOT(_slot_down_file_received(QString,QByteArray,bool,ArdentixDevice))},
        {root, SIGNAL(_signal_up_file_send_complete(QString,FILE_TRANSFER_STATE,float,ArdentixDevice)), root,
         SLOT(_slot_down_file_send_complete(QString,FILE_TRANSFER_STATE,float,ArdentixDevice))},
        {root, SIGNAL(_signal_up_system_time(QDateTime,ArdentixDevice)), root,
         SLOT(_slot_down_system_time(QDateTime,ArdentixDevice))},
        {root, SIGNAL(_signal_up_update_device_firmware_name(ArdentixDevice)), root,
         SLOT(_slot_down_update_device_firmware_name(ArdentixDevice))},
        {root, SIGNAL(_signal_up_user_authenticated(ArdentixDevice,bool)), root,
         SLOT(_slot_down_user_authenticated(ArdentixDevice,bool))},
        {db, SIGNAL(newDeviceAdded(ArdentixDevice)), comm, SLOT(CheckAxguiSupport(ArdentixDevice))},
        {db, SIGNAL(forceCheckAxguiSupport(ArdentixDevice)), comm, SLOT(CheckAxguiSupport(ArdentixDevice))},
        {db, SIGNAL(userDeviceUpdateRequest(ArdentixDevice)), comm, SLOT(ForceCommCheck(ArdentixDevice))},
        {root, SIGNAL(_signal_up_restart_device(ArdentixDevice)), comm, SLOT(RestartDevice(ArdentixDevice))},
        {root, SIGNAL(_signal_up_time_sync_request(QDateTime,ArdentixDevice)), comm,
         SLOT(DeviceTimeSync(QDateTime,ArdentixDevice))},
        {root, SIGNAL(_signal_up_read_system_time_request(ArdentixDevice)), comm,
         SLOT(readSystemTimeRequest(ArdentixDevice))},
        {root, SIGNAL(_signal_up_axcomm_set_ip_and_restart(ArdentixDevice,QString,QString,bool)), comm,
         SLOT(SetDeviceIp(ArdentixDevice,QString,QString,bool))},
        {root, SIGNAL(_signal_up_send_file(QStringList,QStringList,ArdentixDevice)), comm,
         SLOT(sendFileRequest(QStringList,QStringList,ArdentixDevice))},
        {root, SIGNAL(_signal_up_get_file(QString,ArdentixDevice)), comm, SLOT(getFileRequest(QString,ArdentixDevice))},
        {root, SIGNAL(_signal_up_get_flash_size(ArdentixDevice)), comm, SLOT(vekGetFlashSize(ArdentixDevice))},
        {root, SIGNAL(_signal_up_set_device_credentials(ArdentixDevice)), comm, SLOT(CheckAuthentication(ArdentixDevice))},
        {root, SIGNAL(_signal_up_abort_bridge_snapshot(ArdentixDevice)), comm, SLOT(AbortBridgeSnapshot(ArdentixDevice))},
        {db, SIGNAL(fileDatabaseWriteFailed(QString)), window, SLOT(deviceFileWriteFailed(QString))},
    };
    for (const Connection &connection : expected)
        QVERIFY2(QObject::disconnect(connection.from, connection.signal, connection.to, connection.slot),
                 connection.slot);
}

void tst_ArdentixToolbox::deviceAddedByAddressIsStoredAndReplacedByTheDiscoveredOne()
{
    // The gateway at 10.77.0.100 stays quiet until discovery is asked for (F5).
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-mac", "02:A0:00:00:00:07", "--base-ip", "10.77.0.100"}));
    m_bed->start(RUN_MODE_FORCED_PING);
    AXTMainWindow *window = mainWindow();
    QVERIFY(window);
    QSignalSpy shown(store(), &DeviceDatabase::onlineDeviceUpdate);
    QSignalSpy replaced(store(), &DeviceDatabase::removeDevice);

    // The user adds it by address, through the header's plus.
    QTimer::singleShot(0, this, [] {
        auto *poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, poll, [poll] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->deleteLater();
            poll->stop();
            dialog->setTextValue(" 10.77.000.100 ");
            dialog->accept();
        });
        poll->start(10);
    });
    QMetaObject::invokeMethod(window, "onDeviceTableViewHeaderClicked", Q_ARG(int, 2));

    DeviceDatabase::ReadResult result = DeviceDatabase::ReadFailed;
    const ArdentixDevice pending = store()->readDeviceByMac("Pending (10.77.0.100)", &result);
    QCOMPARE(result, DeviceDatabase::DeviceFound);
    QVERIFY(pending.userDevice);
    QVERIFY(pending.favorite);
    QVERIFY(QFileInfo::exists(m_bed->sandbox().filePath("axdevices.db")));

    QTest::keyClick(window, Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(!replaced.isEmpty(), 8000);
    QCOMPARE(replaced.first().first().toString(), QStringLiteral("Pending (10.77.0.100)"));
    QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (const QList<QVariant> &arguments : shown)
                    if (arguments.first().value<ArdentixDevice>().macAddress == "02:A0:00:00:00:07")
                        return true;
                return false;
            }(),
            5000);
}

void tst_ArdentixToolbox::forcedPingPingsOnlyAfterF5()
{
    storeQuickProfile();
    QSettings(QStringLiteral("Ardentix"), QStringLiteral("Toolbox")).setValue("active_settings_profile", "Quick");
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-ip", "10.77.0.100"}));
    m_bed->start(RUN_MODE(RUN_MODE_FORCED_PING | RUN_MODE_ADVANCED));
    AXTMainWindow *window = mainWindow();
    QVERIFY(window);

    QTest::qWait(700);
    QCOMPARE(pingsSeen(), 0);
    QTest::keyClick(window, Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(pingsSeen() >= 3, 15000);

    // A profile change ends the refresh window, which would ping for 30 s:
    // the pings on their way arrive, then none follows. Pinging on at the new
    // profile's interval would put a ping into every quiet span of twice that
    // interval, long before the window closes by itself.
    QTest::mouseClick(window->findChild<QPushButton *>("setupButton"), Qt::LeftButton);
    SystemSettingsWidget *settings = topLevelWidgetOf<SystemSettingsWidget>();
    QVERIFY(settings);
    auto *profiles = settings->findChild<QComboBox *>("configListComboBox");
    QTest::keyClick(profiles, Qt::Key_Up);
    QCOMPARE(profiles->currentText(), QStringLiteral("Default"));
    const int quietSpanMs = 2 * CONFIG_SETTINGS().pingInterval;
    QVERIFY(becomesSteady([this] { return pingsSeen(); }, quietSpanMs, 10000));
}

void tst_ArdentixToolbox::profileChangeReappliesThePingAndTimeouts()
{
    m_bed->storeProfile("Quick", {{"ping_interval", 200}, {"timeout_to_lost", 1000}});
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-ip", "10.77.0.100"}));
    QElapsedTimer running;
    running.start();
    m_bed->start(RUN_MODE(0));
    QVERIFY(mainWindow());

    // The built-in profile pings every 1500 ms: one at once, then a pause. A
    // late first ping may bring the next along; never more than the time allows
    // (a timer may fire 5% early).
    QTRY_VERIFY_WITH_TIMEOUT(pingsSeen() >= 1, 15000);
    QTest::qWait(600);
    QVERIFY2(pingsSeen() <= 1 + running.elapsed() / 1425, qPrintable(QString::number(pingsSeen())));

    // Choosing the quick profile in the settings window re-applies the timers.
    QTest::mouseClick(mainWindow()->findChild<QPushButton *>("setupButton"), Qt::LeftButton);
    SystemSettingsWidget *settings = topLevelWidgetOf<SystemSettingsWidget>();
    QVERIFY(settings);
    auto *profiles = settings->findChild<QComboBox *>("configListComboBox");
    QTest::keyClick(profiles, Qt::Key_Down);
    QCOMPARE(profiles->currentText(), QStringLiteral("Quick"));
    // Ten pings take 1800 ms every 200 ms, and more than 12 s every 1500 ms.
    const int before = pingsSeen();
    QTRY_VERIFY_WITH_TIMEOUT(pingsSeen() >= before + 10, 8000);

    // A device that goes quiet is lost after the profile's 1000 ms, not the built-in 6000 ms.
    QSignalSpy lost(store(), SIGNAL(deviceLost(ArdentixDevice)));
    m_bed->emulator().stop();
    QTRY_VERIFY_WITH_TIMEOUT(lost.size() >= 1, 5000);
}

void tst_ArdentixToolbox::uncreatableWorkingDirectoryIsShown()
{
    QFile blocker(m_bed->sandbox().filePath("Config"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ArdentixToolbox toolbox;
    QMessageBox *box = topLevelWidgetOf<QMessageBox>();
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QCOMPARE(box->windowTitle(), QStringLiteral("Error creating working directory"));
    QCOMPARE(box->text(), "The Toolbox was unable to create the default working directory:\n"
                              + QDir::toNativeSeparators(m_bed->sandbox().path() + "/Config"));
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
}

void tst_ArdentixToolbox::setupOpensOneSettingsWindow()
{
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-ip", "10.77.0.100"}));
    m_bed->start(RUN_MODE_FORCED_PING);
    auto *setup = mainWindow()->findChild<QPushButton *>("setupButton");
    const auto settingsWindows = topLevelWidgetsOf<SystemSettingsWidget>;
    QTest::mouseClick(setup, Qt::LeftButton);
    QTest::mouseClick(setup, Qt::LeftButton);
    QCOMPARE(settingsWindows().size(), 1);
    QPointer<SystemSettingsWidget> first = settingsWindows().first();
    QVERIFY(first->isVisible());
    QVERIFY(first->testAttribute(Qt::WA_DeleteOnClose));

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QTest::mouseClick(setup, Qt::LeftButton);
    QCOMPARE(settingsWindows().size(), 1);
}

void tst_ArdentixToolbox::waitUntilListedOnline() const
{
    const auto *table = mainWindow()->findChild<QTableView *>("deviceTableView");
    QTRY_VERIFY_WITH_TIMEOUT(table->model()->rowCount() == 1
                                     && table->model()->index(0, 0).data(AXTMainWindow::DiscoveryStateRole).toInt()
                                                != DISCOVERY_OFFLINE,
                             8000);
}

// Types the address into the header's dialog; the box that refuses it, as "title|text".
QString tst_ArdentixToolbox::refusalOf(const QString &typed)
{
    QString refusal;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QInputDialog *>(modal)) {
            dialog->setTextValue(typed);
            dialog->accept();
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            refusal = box->windowTitle() + '|' + box->text();
            box->accept();
        }
    });
    poll.start(10);
    QMetaObject::invokeMethod(mainWindow(), "onDeviceTableViewHeaderClicked", Q_ARG(int, 2));
    return refusal;
}

void tst_ArdentixToolbox::addressesOfNoNewDeviceAreRefused()
{
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-ip", "10.77.0.100", "--title", "Boiler %1"}));
    m_bed->start(RUN_MODE(0));
    waitUntilListedOnline();
    QSignalSpy added(mainWindow(), &AXTMainWindow::userDeviceAdded);

    QCOMPARE(refusalOf("10.77.0.100"),
             QStringLiteral("Device Already Listed|The device at 10.77.0.100 (Boiler 0) is already online in the list."));
    QCOMPARE(refusalOf("0.0.0.0"), QStringLiteral("Invalid Address|0.0.0.0 is not the address of a device."));
    QCOMPARE(refusalOf(m_bed->toolboxAddress()),
             "Invalid Address|" + m_bed->toolboxAddress() + " is an address of this PC, not of a device.");
    QCOMPARE(added.size(), 0);
    QTest::qWait(1100);   // a maintenance pass
    QCOMPARE(mainWindow()->findChild<QTableView *>("deviceTableView")->model()->rowCount(), 1);

    // An address still waiting for its device's first answer is listed too.
    QCOMPARE(refusalOf("10.77.0.60"), QString());
    QCOMPARE(refusalOf("10.77.0.60"), QStringLiteral("Device Already Listed|"
                                                     "The device at 10.77.0.60 is already in the list, waiting for its first answer."));
    QCOMPARE(added.size(), 1);
}

// The communications manager can't read a file it is to send: the main window says
// so without stopping.
void tst_ArdentixToolbox::fileThatCannotBeReadIsShown()
{
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-mac", "02:A0:00:00:00:07", "--base-ip", "10.77.0.100"}));
    m_bed->start(RUN_MODE(0));
    waitUntilListedOnline();
    const ArdentixDevice device = store()->readDeviceByMac("02:A0:00:00:00:07");
    QVERIFY(device.vekConnectivity && !device.jsonSupport);

    const QString missing = m_bed->sandbox().filePath("missing.cfg");
    m_bed->toolbox()->findChild<AxComm *>()->sendFileRequest({missing}, {"missing.cfg"}, device);
    QMessageBox *box = nullptr;
    QTRY_VERIFY((box = mainWindow()->findChild<QMessageBox *>()));
    QVERIFY(box->isVisible() && !box->isModal());
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(box->windowTitle(), QStringLiteral("Error reading file!"));
    QCOMPARE(box->text(), " Could not open file: " + missing);
}

// The real program started as a user would, in this test's namespace, without the
// welcome window: its console carries no debug message, and never a bare number.
void tst_ArdentixToolbox::normalStartKeepsTheConsoleQuiet()
{
    if (countProcessesNamed("ArdentixToolbox") > 0)
        QSKIP("another Ardentix Toolbox is running on this machine; this test needs it to be the only one");
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-ip", "10.77.0.100"}));
    QSettings(QStringLiteral("Ardentix"), QStringLiteral("Toolbox")).setValue("show_splash", false);
    QProcess toolbox;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("AX_CLOUD_HOST", m_bed->gatewayAddress() + ":1");   // refused at once
    toolbox.setProcessEnvironment(environment);
    toolbox.setWorkingDirectory(m_bed->sandbox().path());
    toolbox.start(QStringLiteral(AX_BINARY_DIR "/run/ArdentixToolbox"), {});
    QVERIFY2(toolbox.waitForStarted(), qPrintable(toolbox.errorString()));
    // Past the store's start and the first check of the cloud host.
    QVERIFY(!toolbox.waitForFinished(4500));
    toolbox.terminate();
    QVERIFY(toolbox.waitForFinished(10000));

    const QString console = QString::fromLocal8Bit(toolbox.readAllStandardOutput() + toolbox.readAllStandardError());
    for (const QString &line : console.split('\n', Qt::SkipEmptyParts)) {
        QVERIFY2(!QRegularExpression("^\\s*\\d+\\s*$").match(line).hasMatch(), qPrintable(line));
        for (const char *debug : {"DB opened", "Table created", "Connection ID", "DNS Lookup error", "Start listening"})
            QVERIFY2(!line.contains(QLatin1String(debug)), qPrintable(line));
    }
}

// The event loop runs as in the program and ends on its own once the main window
// has closed, with the settings and the debug message windows open.
void tst_ArdentixToolbox::closingTheMainWindowEndsTheProgram()
{
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-ip", "10.77.0.100"}));
    m_bed->start(RUN_MODE_FORCED_PING);
    QPointer<AXTMainWindow> window = mainWindow();
    QTest::mouseClick(window->findChild<QPushButton *>("setupButton"), Qt::LeftButton);
    QPointer<SystemSettingsWidget> settings = topLevelWidgetOf<SystemSettingsWidget>();
    QVERIFY(settings);
    QPointer<AxDebugMessageHandler> debugWindow = openDebugWindow();

    QTimer::singleShot(0, window, &QWidget::close);
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(10000);
    const int result = QCoreApplication::exec();
    const bool debugWindowShown = debugWindow && debugWindow->isVisible();
    closeMessageSinks();
    QCOMPARE(result, 0);
    QVERIFY(!window);
    QVERIFY(!debugWindowShown);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!settings);

    // What still runs until the controller goes never reaches the gone window.
    m_bed->toolbox()->update_timers(CONFIG_SETTINGS());
}

QTEST_MAIN(tst_ArdentixToolbox)
#include "tst_ardentixtoolbox.moc"
