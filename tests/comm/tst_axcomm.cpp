#include "comm/axcomm.h"

#include "model/ardentixdevice.h"

#include "commtestbed.h"

#include <QElapsedTimer>
#include <QtTest>

// The communications manager on two adapters in namespace A: the pair's end
// (10.77.0.1, gateways of an emulator in B) and a second veth end
// "axs0" (10.78.0.1, gateways of an emulator in A on its peer "axs1").
class TestAxComm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_bed.reset(); }

    void broadcastAddressListensOnEveryAdapter();
    void subnetAddressListensOnlyOnMatchingAdapters();
    void pingTimersSendAtOnceAndPerTick();
    void ipConnectivityFollowsTheAdapterThatSawTheDevice();

private:
    bool setUpTwoAdapters(QString *error);
    QSet<QString> foundMacs(const QSignalSpy &spy) const;

    EmulatorProcess &first() { return m_bed->emulator(0); }
    EmulatorProcess &second() { return m_bed->emulator(1); }

    QScopedPointer<CommTestBed> m_bed;
};

// Every test has both networks.
void TestAxComm::init()
{
    m_bed.reset(new CommTestBed);
    AX_REQUIRE_TESTBED(*m_bed);
    QString error;
    QVERIFY2(setUpTwoAdapters(&error), qPrintable(error));
}

bool TestAxComm::setUpTwoAdapters(QString *error)
{
    const QList<QStringList> steps = {
        {"link", "add", "axs0", "address", "02:00:0a:4e:00:01", "type", "veth", "peer", "name", "axs1"},
        {"addr", "add", "10.78.0.1/24", "dev", "axs0"},
        {"link", "set", "axs0", "up"},
        {"link", "set", "axs1", "up"},
    };
    for (const QStringList &step : steps) {
        if (!m_bed->ip(NetnsPair::A, step, error))
            return false;
    }
    return m_bed->startEmulator({"--devices", "2", "--base-mac", "02:A0:00:00:01:01", "--base-ip", "10.77.0.100"},
                                error)
        && m_bed->startEmulatorOn(NetnsPair::A, "axs1",
                                  {"--devices", "2", "--base-mac", "02:A0:00:00:02:01", "--base-ip", "10.78.0.100"},
                                  error);
}

QSet<QString> TestAxComm::foundMacs(const QSignalSpy &spy) const
{
    QSet<QString> macs;
    for (const QList<QVariant> &arguments : spy)
        macs.insert(arguments.at(0).value<ArdentixDevice>().macAddress);
    return macs;
}

void TestAxComm::broadcastAddressListensOnEveryAdapter()
{

    AxComm comm(nullptr, &m_bed->root);
    comm.startListening(QHostAddress("255.255.255.255"));   // no per-adapter message
    QSignalSpy found(&comm, &AxComm::deviceFound);
    QTest::qWait(100);
    comm.vekPing();
    QTRY_COMPARE(found.count(), 4);
    QCOMPARE(foundMacs(found), QSet<QString>({"02:A0:00:00:01:01", "02:A0:00:00:01:02", "02:A0:00:00:02:01",
                                              "02:A0:00:00:02:02"}));
    for (const QList<QVariant> &arguments : found) {
        const ArdentixDevice device = arguments.at(0).value<ArdentixDevice>();
        const bool second = device.macAddress.startsWith("02:A0:00:00:02");
        QCOMPARE(device.localAdapterMac,
                 second ? QString("02:00:0A:4E:00:01") : m_bed->pair().macAddress(NetnsPair::A));
        QVERIFY(device.ipConnectivity);
    }
}

void TestAxComm::subnetAddressListensOnlyOnMatchingAdapters()
{

    AxComm comm(nullptr, &m_bed->root);
    QTest::ignoreMessage(QtDebugMsg, "Start listening on adapter with IP:  \"10.77.0.1\"");
    comm.startListening(QHostAddress("10.77.0.255"));
    QSignalSpy found(&comm, &AxComm::deviceFound);
    QTest::qWait(100);
    comm.vekPing();
    QTRY_COMPARE(found.count(), 2);
    // The other adapter still sends; its answers are not listened to.
    QTRY_VERIFY(!second().findLine(QRegularExpression("^DISCOVERY from 10.78.0.1 ")).isNull());
    QTest::qWait(200);
    QCOMPARE(foundMacs(found), QSet<QString>({"02:A0:00:00:01:01", "02:A0:00:00:01:02"}));
}

void TestAxComm::pingTimersSendAtOnceAndPerTick()
{
    const QRegularExpression broadcast("^DISCOVERY from 10.77.0.1 to 255.255.255.255 ");
    const QRegularExpression directed("^DISCOVERY from 10.77.0.1 to 10.77.0.255 ");

    // What has arrived is never more than was sent in the time: a late answer
    // can bring the next along, so counts are bounded by the time taken (a
    // timer may fire 5% early), not taken at a moment.
    AxComm comm(nullptr, &m_bed->root);
    comm.startListening(QHostAddress("255.255.255.255"));
    QElapsedTimer running;
    running.start();
    comm.startVekPing(0);   // 0 means every 1000 ms; one request at once
    QTRY_VERIFY_WITH_TIMEOUT(first().countLines(broadcast) >= 2, 5000);
    comm.stopVekPing();
    int sent = first().countLines(broadcast);
    QVERIFY2(sent <= 1 + running.elapsed() / 950, qPrintable(QString::number(sent)));

    // Started twice: two requests at once, then one per tick and adapter.
    running.start();
    comm.startDirectedPing(300, QHostAddress("10.77.0.255"));
    comm.startDirectedPing(300, QHostAddress("10.77.0.255"));
    QTRY_VERIFY_WITH_TIMEOUT(first().countLines(directed) >= 3, 5000);
    comm.stopDirectedPing();
    sent = first().countLines(directed);
    QVERIFY2(sent <= 2 + running.elapsed() / 285, qPrintable(QString::number(sent)));
    // The directed request to the first subnet reaches no gateway of the second.
    QCOMPARE(second().countLines(QRegularExpression("to 10.77.0.255 answered [1-9]")), 0);
}

void TestAxComm::ipConnectivityFollowsTheAdapterThatSawTheDevice()
{

    AxComm comm(nullptr, &m_bed->root);
    QSignalSpy found(&comm, &AxComm::deviceFound);
    auto report = [&comm, &found](const QString &adapterMac, const QString &ip) {
        ArdentixDevice device;
        device.setMacString("00:50:C2:AA:00:01");
        device.localAdapterMac = adapterMac;
        device.ipAddress = QHostAddress(ip);
        QMetaObject::invokeMethod(&comm, "vekDeviceFound", Q_ARG(ArdentixDevice, device));
        return found.isEmpty() ? ArdentixDevice() : found.takeLast().at(0).value<ArdentixDevice>();
    };
    const QString first = m_bed->pair().macAddress(NetnsPair::A);
    const QString second = "02:00:0A:4E:00:01";

    const ArdentixDevice inSubnet = report(first, "10.77.0.50");
    QVERIFY(inSubnet.ipConnectivity);
    QVERIFY(inSubnet.vekConnectivity);
    QVERIFY(inSubnet.lastVekCommTime > 0);
    const ArdentixDevice outside = report(first, "10.99.0.50");
    QVERIFY(!outside.ipConnectivity);   // outside every adapter that saw it
    QVERIFY(outside.vekConnectivity);

    // Seen through the second adapter once, the device stays reachable in
    // that adapter's subnet while reported through the first.
    QVERIFY(!report(second, "10.77.1.50").ipConnectivity);
    QVERIFY(report(first, "10.78.0.50").ipConnectivity);
    ArdentixDevice lost;
    lost.setMacString("00:50:C2:AA:00:01");
    comm.deviceLost(lost);
    QVERIFY(!report(first, "10.78.0.50").ipConnectivity);
    QVERIFY(report(second, "10.78.0.50").ipConnectivity);
}

QTEST_GUILESS_MAIN(TestAxComm)
#include "tst_axcomm.moc"
