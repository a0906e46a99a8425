#include "ui/tool/developersession.h"

#include "comm/link/adapterlist.h"
#include "model/axmetatypes.h"

#include "gatewaytestbed.h"
#include "steadycount.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QtTest>

// What the engineering window drives, end to end: the session in namespace A,
// the emulated gateways in B, whose log shows every command that arrived.
class TestDeveloperSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void captureCountsTheAdaptersTraffic();
    void discoveryFillsTheStoreAndRestartReachesOneDevice();
    void oneRepeatingPingAtATime();
    void typedAddressesAreCheckedBeforeSending();
    void aGatewayOnAnotherSubnetIsReachedAndReaddressed();

private:
    int countLines(const QString &pattern) const { return bed->countLines(pattern); }
    // Starts the gateways, the manager and its endpoints, and waits until the
    // store holds every gateway.
    bool discover(int gateways);

    GatewayTestBed *bed = nullptr;
    DeveloperSession *session = nullptr;
};

void TestDeveloperSession::initTestCase()
{
    registerAxMetaTypes();
}

void TestDeveloperSession::init()
{
    bed = new GatewayTestBed;
}

// Deleting the session stops whatever a test left running: capture threads,
// endpoints, the repeating ping.
void TestDeveloperSession::cleanup()
{
    delete session;
    session = nullptr;
    delete bed;
    bed = nullptr;
}

bool TestDeveloperSession::discover(int gateways)
{
    if (!bed->startEmulator({"--devices", QString::number(gateways), "--device", "0:title=Pump house"}))
        return false;
    session = new DeveloperSession;
    if (!session->createComm() || !session->listenForVek())
        return false;
    QTest::qWait(100);   // the capture threads are reading
    session->pingAll();
    QSignalSpy listed(session, &DeveloperSession::onlineDevice);
    for (QDeadlineTimer deadline(30000); listed.count() < gateways && !deadline.hasExpired();) {
        QTest::qWait(100);
        listed.clear();
        session->readOnlineDevices();
    }
    return listed.count() == gateways;
}

void TestDeveloperSession::captureCountsTheAdaptersTraffic()
{
    AX_REQUIRE_TESTBED(*bed);
    QVERIFY(bed->startEmulator({"--devices", "3"}));
    session = new DeveloperSession;
    QVERIFY(!session->startCapture());   // no adapter list yet

    session->readAdapters();
    QCOMPARE(session->adapters()->count(), 1);
    QCOMPARE(session->adapters()->ipString(0), bed->toolboxAddress());
    QVERIFY(session->startCapture());
    QVERIFY(!session->startCapture());   // no second thread on the adapter
    QSignalSpy counted(session, &DeveloperSession::trafficCounted);
    QTest::qWait(100);
    QVERIFY(session->pingBroadcast(0));
    QTRY_COMPARE(countLines("^DISCOVERY from 10.77.0.1 to 255.255.255.255 answered 3$"), 1);
    // Three replies of the default size, each counted once.
    QTRY_COMPARE(session->packetCount(), 3u);
    QCOMPARE(session->byteCount(), 3u * 234u);
    QCOMPARE(counted.last(), QVariantList({3u, 3u * 234u}));

    // A new list stops the capture on the old one; capture starts again on the new.
    session->readAdapters();
    QVERIFY(!session->isCapturing());
    QVERIFY(session->startCapture());
    QTest::qWait(100);
    QVERIFY(session->pingBroadcast(0));
    QTRY_COMPARE(session->packetCount(), 6u);
}

void TestDeveloperSession::discoveryFillsTheStoreAndRestartReachesOneDevice()
{
    AX_REQUIRE_TESTBED(*bed);
    QVERIFY(discover(3));
    QSignalSpy messages(session, &DeveloperSession::commMessage);
    QVERIFY(!session->createComm());
    QVERIFY(!session->listenForVek());   // no second endpoint on any adapter
    QCOMPARE(messages.takeFirst().at(0).toString(), QString("AxComm object already created"));

    QSignalSpy listed(session, &DeveloperSession::onlineDevice);
    QVERIFY(session->readOnlineDevices());
    QMap<QString, ArdentixDevice> devices;
    for (const QList<QVariant> &arguments : listed)
        devices.insert(arguments.at(0).value<ArdentixDevice>().macAddress, arguments.at(0).value<ArdentixDevice>());
    QCOMPARE(devices.keys(), QStringList({"02:A0:00:00:00:01", "02:A0:00:00:00:02", "02:A0:00:00:00:03"}));
    QCOMPARE(devices.value("02:A0:00:00:00:01").configTitle, QString("Pump house"));
    QCOMPARE(devices.value("02:A0:00:00:00:02").ipAddress, QHostAddress("10.77.0.3"));
    QTRY_COMPARE(session->runningAdders(), 0);   // every adder thread ended and was freed

    // The ping asked every gateway for its network capability as well.
    QCOMPARE(countLines("^KOV 02:A0:00:00:00:0[123] b6 01013a373eb600000d0a$"), 3);

    QVERIFY(session->restartDevice("02:A0:00:00:00:02"));
    QTRY_COMPARE(countLines("^KOV 02:A0:00:00:00:02 49 01013a373e4900000d0a$"), 1);
    QCOMPARE(messages.last().at(0).toString(), QString("Restarting Device: 02:A0:00:00:00:02"));

    // A MAC the store does not hold is not restarted, and not reported as if it were.
    QVERIFY(!session->restartDevice("02:A0:00:00:00:09"));
    QVERIFY(messages.last().at(0).toString().startsWith("Restart not sent"));
    QTest::qWait(300);
    QCOMPARE(countLines("^KOV .* 49 "), 1);
}

void TestDeveloperSession::oneRepeatingPingAtATime()
{
    AX_REQUIRE_TESTBED(*bed);
    QVERIFY(discover(1));
    const QString discovery("^DISCOVERY from 10.77.0.1 to 255.255.255.255 ");
    QCOMPARE(countLines(discovery), 1);

    QElapsedTimer running;
    running.start();
    QVERIFY(session->startRepeatingPing());
    QVERIFY(!session->startRepeatingPing());
    QTRY_VERIFY_WITH_TIMEOUT(countLines(discovery) >= 2, 8000);
    session->stopRepeatingPing();
    const qint64 ran = running.elapsed();
    // Stopped: what was on its way arrives, then nothing for longer than a period.
    QVERIFY(becomesSteady([&] { return countLines(discovery); }, DeveloperSession::RepeatingPingMs + 300, 20000));
    // One timer, one ping per period: no more than the run had periods for
    // (a timer may fire 5% early).
    const int repeated = countLines(discovery) - 1;
    QVERIFY2(repeated >= 1 && repeated <= ran / (DeveloperSession::RepeatingPingMs * 95 / 100),
             qPrintable(QStringLiteral("%1 in %2 ms").arg(repeated).arg(ran)));
}

// What can never be a device is refused and nothing goes out: text that is
// no address, the unspecified, loopback, group and broadcast addresses, the
// adapter's directed broadcast and the PC's own address.
void TestDeveloperSession::typedAddressesAreCheckedBeforeSending()
{
    AX_REQUIRE_TESTBED(*bed);
    QVERIFY(bed->startEmulator({"--devices", "2"}));
    session = new DeveloperSession;
    QSignalSpy refused(session, &DeveloperSession::refused);
    QVERIFY(!session->pingBroadcast(0));   // no adapter list yet
    session->readAdapters();

    QVERIFY(!session->setIp(0, "Current IP", "New IP"));
    QVERIFY(!session->setIp(0, "10.77.0.3", "New IP"));
    QVERIFY(!session->setIp(0, "10.77.0.3", "0.0.0.0"));
    QVERIFY(!session->setIp(0, "10.77.0.3", "10.77.0.1"));
    QVERIFY(!session->setIp(0, "10.77.0.255", "10.77.0.150"));   // every gateway at once
    QVERIFY(!session->setIp(0, "255.255.255.255", "10.77.0.150"));
    QVERIFY(!session->setIp(1, "10.77.0.3", "10.77.0.150"));
    QVERIFY(!session->pingRemote(0, "10.77.0.2 x"));
    QVERIFY(!session->pingRemote(0, "127.0.0.1"));
    QVERIFY(!session->pingRemote(0, "224.0.0.1"));
    QVERIFY(!session->pingBroadcast(-1));
    QCOMPARE(refused.count(), 12);
    QTest::qWait(300);
    QCOMPARE(countLines("^(KOV|DISCOVERY) "), 0);

    QSignalSpy log(session, &DeveloperSession::adapterMessage);
    QVERIFY(session->setIp(0, " 10.77.0.3 ", "10.77.0.150"));
    QCOMPARE(log.takeFirst().at(0).toString(), QString("Set IP "));
    const QString setIp = "^KOV 02:A0:00:00:00:02 9a 01013a373e9a0c00"
                          + QString::fromLatin1(QByteArray("10.77.0.150").toHex()) + "0d0a$";
    QTRY_COMPARE(countLines(setIp), 1);
    QCOMPARE(countLines("^KOV "), 1);   // that gateway only
}

// A gateway on a subnet the PC has no address on: Ping Remote reaches it
// through a route, and Set IP, heard on the link, moves it onto the PC's subnet.
void TestDeveloperSession::aGatewayOnAnotherSubnetIsReachedAndReaddressed()
{
    AX_REQUIRE_TESTBED(*bed);
    QString error;
    QVERIFY2(bed->pair().addAddress(NetnsPair::B, "10.88.0.2/24", &error), qPrintable(error));
    QVERIFY2(bed->ip(NetnsPair::A, {"route", "add", "10.88.0.0/24", "via", bed->gatewayAddress()}, &error),
             qPrintable(error));
    QVERIFY(bed->startEmulator({"--base-ip", "10.88.0.2"}));
    session = new DeveloperSession;
    QSignalSpy refused(session, &DeveloperSession::refused);
    session->readAdapters();

    QVERIFY(session->pingRemote(0, "10.88.0.2"));
    QTRY_COMPARE(countLines("^DISCOVERY from 10.77.0.1 to 10.88.0.2 answered 1$"), 1);

    QVERIFY(session->setIp(0, "10.88.0.2", "10.77.0.2"));
    QTRY_COMPARE(countLines("^KOV 02:A0:00:00:00:01 9a "), 1);
    // It answers at its new address, the socket ping's ARP answered by B's kernel.
    QVERIFY(session->pingRemote(0, "10.77.0.2"));
    QTRY_COMPARE(countLines("^DISCOVERY from 10.77.0.1 to 10.77.0.2 answered 1$"), 1);
    QCOMPARE(refused.count(), 0);
}

QTEST_GUILESS_MAIN(TestDeveloperSession)
#include "tst_developersession.moc"
