// The work behind the Configure Device, network settings and device time
// windows against the gateway emulator: the toolbox's bus and communications
// manager in namespace A, the gateway in B, over VEK and, for a device the
// user added, over JSON-RPC and HTTP.
#include "ui/device/configuredevicesession.h"
#include "ui/device/configuredevicewidget.h"
#include "ui/device/deviceclock.h"
#include "ui/device/ipconfigwidget.h"
#include "ui/device/networksettingssession.h"

#include "model/axmetatypes.h"

#include "gatewaytestbed.h"
#include "messageboxanswerer.h"
#include "toolboxbus.h"
#include "toplevelwidgets.h"

#include <QPushButton>
#include <QtTest>

class tst_ConfigureDeviceOnDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void networkSettingsRoundTrip_data();
    void networkSettingsRoundTrip();
    void unreadableSettingsAreAskedForThreeTimesMore();
    void refusedSettingsAreSentSixTimesThenTimeOut();
    void settingsSendOutlivesConfigureDevice();
    void refusedPasswordLeadsThroughLoginToAResend_data();
    void refusedPasswordLeadsThroughLoginToAResend();
    void clockIsReadTickedAndSet();
    void loginWaitsForItsOwnVerdict();

private:
    ArdentixDevice startGateway(const QStringList &arguments, bool overJson = false);
    int lines(const QString &pattern) const { return bed->countLines(pattern); }
    // As the Configure Device window asks for it for the settings window.
    bool readSettings(NetworkSettingsSession &session, const ArdentixDevice &opener);
    QByteArray storedSettings() const;

    GatewayTestBed *bed = nullptr;
    ToolboxBus *bus = nullptr;
};

void tst_ConfigureDeviceOnDevice::initTestCase()
{
    registerAxMetaTypes();
}

void tst_ConfigureDeviceOnDevice::init()
{
    bed = new GatewayTestBed;
}

void tst_ConfigureDeviceOnDevice::cleanup()
{
    delete bus;
    bus = nullptr;
    delete bed;
    bed = nullptr;
}

// Discovered over VEK, or added by the user by address and served over JSON-RPC.
ArdentixDevice tst_ConfigureDeviceOnDevice::startGateway(const QStringList &arguments, bool overJson)
{
    if (!bed->startEmulator(QStringList{"--http"} + arguments))
        return ArdentixDevice();
    bus = new ToolboxBus;
    if (!overJson)
        return bus->discover();
    ArdentixDevice added;
    added.ipAddress = QHostAddress(bed->gatewayAddress());
    added.setMacString("Pending (" + bed->gatewayAddress() + ")");
    added.configTitle = QStringLiteral("Title Pending (User Device)");
    added.userDevice = true;
    added.jsonSupport = true;
    return added;
}

bool tst_ConfigureDeviceOnDevice::readSettings(NetworkSettingsSession &session, const ArdentixDevice &opener)
{
    QSignalSpy read(&session, &NetworkSettingsSession::settingsRead);
    ConfigureDeviceSession(&bus->root, opener).requestNetworkSettings();
    return read.wait(10000);
}

// The last "ax_tcp.ini" the gateway took.
QByteArray tst_ConfigureDeviceOnDevice::storedSettings() const
{
    const QStringList stored = bed->emulator().lines().filter(QRegularExpression("^NETWORK \\S+ stored "));
    return stored.isEmpty() ? QByteArray() : QByteArray::fromHex(stored.last().section(' ', 3).toLatin1());
}

void tst_ConfigureDeviceOnDevice::networkSettingsRoundTrip_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("overJson");
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QString>("restart");

    const QByteArray n1 = "N1_NETMASK = 255.255.255.0\r\nN1_GATEWAY = 10.77.0.1\r\n"
                          "N1_DHCPC = DISABLED\r\nN1_DHCPS = DISABLED\r\n";
    QTest::newRow("two ports and name servers over VEK")
        << QStringList{"--platform", "303", "--firmware", "6.16.2", "--device", "0:name=AX-T303"} << false
        << n1 + "DNS1_IP = 10.0.0.53\r\nDNS2_IP = 10.0.0.54\r\n"
                "N2_IP = 192.168.2.2\r\nN2_NETMASK = 255.255.255.0\r\nN2_GATEWAY = 192.168.2.1\r\n"
                "N2_DHCPC = DISABLED\r\nN2_DHCPS = ENABLED\r\n"
        << "^KOV 02:A0:00:00:00:01 49 ";
    QTest::newRow("one port over JSON-RPC, added by address")
        << QStringList{"--platform", "301"} << true << n1 << "rpc system restart";
}

void tst_ConfigureDeviceOnDevice::networkSettingsRoundTrip()
{
    AX_REQUIRE_TESTBED(*bed);
    QFETCH(QStringList, arguments);
    QFETCH(bool, overJson);
    const ArdentixDevice gateway = startGateway(arguments, overJson);
    QVERIFY(!gateway.macAddress.isEmpty());
    NetworkSettingsSession session(&bus->root, gateway);
    QSignalSpy updated(&session, &NetworkSettingsSession::updated);
    QVERIFY(readSettings(session, gateway));
    QCOMPARE(session.settings().value(NetworkSettings::N1Ip), bed->gatewayAddress());
    QVERIFY(!session.setValue(NetworkSettings::N1Ip, "10.77.0.256"));
    QVERIFY(!session.canUpdate());
    QVERIFY(!session.update());
    QVERIFY(session.setValue(NetworkSettings::N1Ip, " 10.77.0.50"));
    QVERIFY(session.update());
    QVERIFY(QFile::exists(session.localFileName()));
    QVERIFY(updated.wait(15000));

    QFETCH(QByteArray, rows);
    QCOMPARE(storedSettings(), NetworkSettings::Header + "N1_IP = 10.77.0.50\r\n" + rows);
    QFETCH(QString, restart);
    QTRY_COMPARE(lines(restart), 1);
    const QString log = bed->emulator().lines().join('\n');
    QVERIFY(log.indexOf("\nNETWORK ") < log.indexOf(QRegularExpression(restart, QRegularExpression::MultilineOption)));
    QVERIFY(!QFile::exists(session.localFileName()));
}

void tst_ConfigureDeviceOnDevice::unreadableSettingsAreAskedForThreeTimesMore()
{
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice gateway = startGateway({"--network-settings", "absent"});
    QVERIFY(gateway.vekConnectivity);
    ConfigureDeviceSession opener(&bus->root, gateway);
    NetworkSettingsSession session(&bus->root, gateway);
    QSignalSpy failed(&session, &NetworkSettingsSession::readFailed);

    opener.requestNetworkSettings();
    QVERIFY(failed.wait(10000));
    QCOMPARE(lines("^FILE 02:A0:00:00:00:01 a6 "), 1 + NetworkSettingsSession::ReadRetries);
    // Once given up, the next failure shows at once.
    opener.requestNetworkSettings();
    QVERIFY(failed.wait(10000));
    QCOMPARE(lines("^FILE 02:A0:00:00:00:01 a6 "), 2 + NetworkSettingsSession::ReadRetries);
    QVERIFY(!session.canUpdate());
}

void tst_ConfigureDeviceOnDevice::refusedSettingsAreSentSixTimesThenTimeOut()
{
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice gateway = startGateway({"--network-settings", "refused"}, true);
    NetworkSettingsSession session(&bus->root, gateway);
    QSignalSpy timedOut(&session, &NetworkSettingsSession::sendTimedOut);
    QVERIFY(readSettings(session, gateway));
    QVERIFY(session.update());
    QVERIFY(timedOut.wait(30000));
    QCOMPARE(lines("^NETWORK \\S+ refused"), 1 + NetworkSettingsSession::SendRetries);
    QVERIFY(!session.isSending());
    QVERIFY(session.canUpdate());
    QCOMPARE(lines("rpc system restart"), 0);
}

// Configure Device closed during the send: the settings window still gets the
// device its file and restart, and the relays go after it.
void tst_ConfigureDeviceOnDevice::settingsSendOutlivesConfigureDevice()
{
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice gateway = startGateway({});
    QVERIFY(gateway.vekConnectivity);
    const auto relaysBelowRoot = [this] { return bus->root.findChildren<AxSignalObject *>().size(); };
    const auto relaysBefore = relaysBelowRoot();
    MessageBoxAnswerer boxes;   // "Change and restart"
    QPointer<ConfigureDeviceWidget> configure = new ConfigureDeviceWidget(nullptr, &bus->root, gateway, 0);
    configure->findChild<QPushButton *>("setIpButton")->click();
    QPointer<IpConfigWidget> window = topLevelWidgetOf<IpConfigWidget>();
    QVERIFY(window);
    auto *session = window->findChild<NetworkSettingsSession *>();
    const QString localCopy = session->localFileName();
    QPointer<AxSignalObject> configureRelay = configure->bus;
    QPointer<AxSignalObject> windowRelay = window->bus;
    QTRY_VERIFY_WITH_TIMEOUT(session->canUpdate(), 10000);

    window->findChild<QPushButton *>("updateIpButton")->click();
    QVERIFY(session->isSending());
    configure->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!configure);
    QVERIFY(window);

    QTRY_VERIFY_WITH_TIMEOUT(!window, 15000);
    QVERIFY(storedSettings().startsWith(NetworkSettings::Header + "N1_IP = " + bed->gatewayAddress().toLatin1()));
    QTRY_COMPARE(lines("^KOV 02:A0:00:00:00:01 49 "), 1);
    QVERIFY(!QFile::exists(localCopy));
    QTRY_VERIFY(!configureRelay && !windowRelay);
    QCOMPARE(relaysBelowRoot(), relaysBefore);
}

void tst_ConfigureDeviceOnDevice::refusedPasswordLeadsThroughLoginToAResend_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("overJson");
    QTest::addColumn<QString>("restart");
    QTest::newRow("VEK") << QStringList{"--file-password", "s3cret"} << false << "^KOV 02:A0:00:00:00:01 49 ";
    QTest::newRow("HTTP") << QStringList{"--http-user", "Admin", "--http-password", "s3cret"} << true
                          << "rpc system restart";
}

void tst_ConfigureDeviceOnDevice::refusedPasswordLeadsThroughLoginToAResend()
{
    AX_REQUIRE_TESTBED(*bed);
    QFETCH(QStringList, arguments);
    QFETCH(bool, overJson);
    const ArdentixDevice gateway = startGateway(arguments, overJson);
    // The web side wants the password for the read too: the opener had it, the
    // settings window's copy of the device has none.
    ArdentixDevice loggedIn = gateway;
    loggedIn.setCredentials("Admin", "s3cret");
    NetworkSettingsSession session(&bus->root, gateway);
    QSignalSpy loginAsked(&session, &NetworkSettingsSession::loginRequested);
    QSignalSpy credentials(&bus->root, &AxSignalObject::_signal_up_set_device_credentials);
    QSignalSpy updated(&session, &NetworkSettingsSession::updated);
    QVERIFY(readSettings(session, loggedIn));
    QVERIFY(session.update());
    QVERIFY(loginAsked.wait(10000));
    QVERIFY(session.isSending());
    session.login("Admin", "s3cret");
    QVERIFY(updated.wait(15000));
    QCOMPARE(loginAsked.count(), 1);
    QCOMPARE(credentials.count(), 1);
    QCOMPARE(credentials.at(0).at(0).value<ArdentixDevice>().password, QString("s3cret"));
    QVERIFY(storedSettings().startsWith(NetworkSettings::Header + "N1_IP = 10.77.0.2\r\n"));
    QFETCH(QString, restart);
    QTRY_COMPARE(lines(restart), 1);
}

void tst_ConfigureDeviceOnDevice::clockIsReadTickedAndSet()
{
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice gateway = startGateway({}, true);
    ConfigureDeviceSession opener(&bus->root, gateway);
    DeviceClock clock(&bus->root, gateway, nullptr, 3600 * 1000);
    QCOMPARE(clock.deviceTime(), QDateTime(QDate(2000, 1, 1), QTime(0, 0, 1)));
    clock.setUseSystemTime(false);
    QCOMPARE(clock.target(), clock.deviceTime());
    clock.setUseSystemTime(true);
    ArdentixDevice sameAddress = gateway;
    sameAddress.setMacString("02:A0:00:00:00:99");
    bus->root._slot_down_system_time(QDateTime(QDate(2024, 1, 1), QTime(0, 0)), sameAddress);
    QCOMPARE(clock.deviceTime().date().year(), 2000);

    opener.requestDeviceTime();
    QTRY_VERIFY(clock.deviceTime().date().year() > 2000);
    QVERIFY(qAbs(clock.deviceTime().secsTo(QDateTime::currentDateTime())) < 5);
    const QDateTime read = clock.deviceTime();
    clock.tick();
    QCOMPARE(clock.deviceTime(), read.addSecs(1));

    clock.setUseSystemTime(false);
    QCOMPARE(clock.target(), clock.deviceTime());
    clock.setTarget(QDateTime(QDate(2030, 5, 6), QTime(7, 8, 9)));
    clock.send();
    clock.send();
    QTRY_COMPARE(lines("rpc System Time Synch .*\"Minute\" : \"8\", \"Month\" : \"5\".*\"Year\" : \"2030\""), 1);
    opener.requestDeviceTime();
    QTRY_COMPARE(clock.deviceTime().date(), QDate(2030, 5, 6));
    QTest::qWait(200);
    QCOMPARE(lines("rpc System Time Synch"), 1);
}

void tst_ConfigureDeviceOnDevice::loginWaitsForItsOwnVerdict()
{
    AX_REQUIRE_TESTBED(*bed);
    ArdentixDevice gateway = startGateway({"--http-user", "Admin", "--http-password", "pw"}, true);
    gateway.setPasswordRequired(true);
    ConfigureDeviceSession session(&bus->root, gateway);
    QSignalSpy asked(&session, &ConfigureDeviceSession::loginRequested);
    QSignalSpy accepted(&session, &ConfigureDeviceSession::loginAccepted);
    QVERIFY(session.requiresLogin());

    session.beginLogin();
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.at(0).at(0).toString(), QString());
    session.login("Admin", "wrong");
    QVERIFY(asked.wait(10000));
    QCOMPARE(asked.at(1).at(0).toString(), QString("Login error, please try again"));

    ArdentixDevice other = gateway;
    other.ipAddress = QHostAddress("10.77.0.9");
    bus->root._slot_down_user_authenticated(other, true);   // another window's device
    session.login("Admin", "pw");
    bus->root._slot_down_user_authenticated(other, true);
    QCOMPARE(accepted.count(), 0);
    QVERIFY(accepted.wait(10000));
    QVERIFY(!session.isLoginPending());
    // Verdicts that another window asked for pop no dialog here.
    bus->root._slot_down_user_authenticated(gateway, false);
    QCOMPARE(asked.count(), 2);

    session.restart();
    QTRY_COMPARE(lines("rpc system restart"), 1);

    // Cancelled: the window closes and sends nothing.
    ConfigureDeviceSession cancelled(&bus->root, gateway);
    QSignalSpy closing(&cancelled, &ConfigureDeviceSession::loginCancelled);
    QSignalSpy credentials(&bus->root, &AxSignalObject::_signal_up_set_device_credentials);
    cancelled.beginLogin();
    cancelled.login(QString(), QString());
    QCOMPARE(closing.count(), 1);
    QCOMPARE(credentials.count(), 0);
}

QTEST_MAIN(tst_ConfigureDeviceOnDevice)
#include "tst_configuredeviceondevice.moc"
