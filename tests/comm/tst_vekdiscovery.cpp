#include "comm/link/adapterlist.h"
#include "comm/axcomm.h"
#include "comm/vek/vekcomm.h"

#include "model/ardentixdevice.h"

#include "commtestbed.h"

#include <QtTest>

// Discovery and device commands end to end: the toolbox side in namespace A,
// the gateway emulator in namespace B, raw frames across the veth pair. The
// root relay stands in for the controller, as the controller's root would.
class TestVekDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_bed.reset(); }

    void everyAnsweringDeviceArrivesOncePerReply();
    void titleOutsideLatin1IsRefused();
    void directedPingReachesOnlyItsTarget();
    void udpSocketPingReachesTheDevice();
    void setIpAndRestartCarryTheirBytes();
    void flashSizeAnswerRenamesTheFirmware();

private:
    static QMap<QString, ArdentixDevice> byMac(const QSignalSpy &spy);
    // What a device's reply told of it: address, title, firmware, platform code and name, status.
    static QString described(const ArdentixDevice &device);
    EmulatorProcess &emulator() { return m_bed->emulator(); }

    QScopedPointer<CommTestBed> m_bed;
};

void TestVekDiscovery::init()
{
    m_bed.reset(new CommTestBed);
    AX_REQUIRE_TESTBED(*m_bed);
}

QString TestVekDiscovery::described(const ArdentixDevice &device)
{
    return QStringList{device.ipAddress.toString(), device.configTitle, device.firmwareVersion,
                       QString::number(device.platformCode), device.devicePlatform,
                       "0x" + QString::number(device.deviceStatus, 16), device.statusText()}
        .join('|');
}

QMap<QString, ArdentixDevice> TestVekDiscovery::byMac(const QSignalSpy &spy)
{
    QMap<QString, ArdentixDevice> devices;
    for (const QList<QVariant> &arguments : spy) {
        const ArdentixDevice device = arguments.at(0).value<ArdentixDevice>();
        devices.insert(device.macAddress, device);
    }
    return devices;
}

void TestVekDiscovery::everyAnsweringDeviceArrivesOncePerReply()
{
    QVERIFY(m_bed->startEmulator({"--devices", "6", "--base-mac", "02:A0:00:00:00:01", "--base-ip", "10.77.0.100",
                   "--device", "1:platform=101,title=Pumpenhaus Süd,firmware=6.16.2,status=0x10,reply=238,version=2",
                   "--device", "2:silent",
                   "--device", "3:malformed",
                   "--device", "4:late=300,netsupport=0x41F",
                   "--device", "5:ip=10.99.0.5,name=AX-K700 Rail,tag=RAIL0005"}));

    AxComm comm(nullptr, &m_bed->root);
    comm.startListening(QHostAddress("255.255.255.255"));
    QSignalSpy found(&comm, &AxComm::deviceFound);
    QSignalSpy support(&m_bed->root, &AxSignalObject::_signal_up_vek_advanced_network_support);
    QTest::qWait(100);   // the capture thread is reading
    comm.vekPing();

    QTRY_COMPARE_WITH_TIMEOUT(found.count(), 4, 5000);
    QTest::qWait(300);
    QCOMPARE(found.count(), 4);   // once per reply: silent and malformed devices never arrive
    // The malformed device answered too, with a reply cut short.
    QVERIFY(!emulator().findLine(QRegularExpression("^DISCOVERY from 10.77.0.1 to 255.255.255.255 answered 5$")).isNull());

    const QMap<QString, ArdentixDevice> devices = byMac(found);
    QCOMPARE(devices.keys(), QStringList({"02:A0:00:00:00:01", "02:A0:00:00:00:02", "02:A0:00:00:00:05",
                                          "02:A0:00:00:00:06"}));
    for (const ArdentixDevice &device : devices) {
        QCOMPARE(device.localAdapterMac, m_bed->pair().macAddress(NetnsPair::A));
        QVERIFY(device.vekConnectivity);
        QVERIFY(device.lastVekCommTime > 0);
        QCOMPARE(device.displayMacAddress, device.macAddress);
        QVERIFY(device.onAdapterSubnet);   // answered to the adapter's own address
    }

    const ArdentixDevice plain = devices.value("02:A0:00:00:00:01");
    QCOMPARE(described(plain), "10.77.0.100|Gateway 0|6.21.0|300|" + ArdentixDevice::platformNameForCode(300)
                                   + "|0x0|Normal");
    QCOMPARE(plain.deviceTag, QString("EMU0"));
    QVERIFY(plain.ipConnectivity);
    QVERIFY(!plain.secureGwSupport);

    const ArdentixDevice pump = devices.value("02:A0:00:00:00:02");
    QCOMPARE(described(pump), "10.77.0.101|Pumpenhaus Süd|6.16.2|101|" + ArdentixDevice::platformNameForCode(101)
                                  + "|0x10|Test Passed");
    QCOMPARE(pump.nicCount, ArdentixDevice::nicCountForPlatform(101));
    QVERIFY(pump.secureGwSupport);

    const ArdentixDevice late = devices.value("02:A0:00:00:00:05");
    QCOMPARE(late.ipAddress, QHostAddress("10.77.0.104"));

    const ArdentixDevice rail = devices.value("02:A0:00:00:00:06");
    QCOMPARE(rail.ipAddress, QHostAddress("10.99.0.5"));
    QCOMPARE(rail.devicePlatform, QString("AX-K700 Rail"));
    QCOMPARE(rail.deviceTag, QString("RAIL0005"));
    QVERIFY(!rail.ipConnectivity);   // outside the adapter's subnet

    // The capability query went out with the discovery; every answering device replied.
    QTRY_COMPARE(support.count(), 5);
    QMap<QString, VEK_NET_SUPPORT> answers;
    for (const QList<QVariant> &arguments : support)
        answers.insert(arguments.at(0).toString(), arguments.at(1).value<VEK_NET_SUPPORT>());
    QCOMPARE(answers.value("02:A0:00:00:00:01"), VEK_NET_SUPPORTED);
    QCOMPARE(answers.value("02:A0:00:00:00:05"), VEK_NET_NOT_SUPPORTED);

    // A second request brings a second report of each device.
    comm.vekPing();
    QTRY_COMPARE_WITH_TIMEOUT(found.count(), 8, 5000);
}

// A gateway's title is a Latin-1 field: the emulator refuses a title it could
// only send with '?' in place of what Latin-1 lacks.
void TestVekDiscovery::titleOutsideLatin1IsRefused()
{
    QString error;
    QVERIFY(!m_bed->startEmulator({"--title", "Halle \u2713 %1"}, &error));
    QVERIFY2(error.contains("not Latin-1"), qPrintable(error));
}

void TestVekDiscovery::directedPingReachesOnlyItsTarget()
{
    QVERIFY(m_bed->startEmulator({"--devices", "3", "--base-ip", "10.77.0.100", "--device", "2:ip=10.88.0.9"}));

    AxComm comm(nullptr, &m_bed->root);
    comm.startListening(QHostAddress("255.255.255.255"));
    QSignalSpy found(&comm, &AxComm::deviceFound);
    QTest::qWait(100);
    comm.startDirectedPing(60000, QHostAddress("10.88.0.255"));
    QTRY_COMPARE(found.count(), 1);
    QTest::qWait(200);
    QCOMPARE(found.count(), 1);
    QCOMPARE(found.at(0).at(0).value<ArdentixDevice>().ipAddress, QHostAddress("10.88.0.9"));
    comm.stopDirectedPing();
}

// The socket path needs an address the kernel in B answers ARP for: one
// gateway takes the veth end's own address.
void TestVekDiscovery::udpSocketPingReachesTheDevice()
{
    QVERIFY(m_bed->startEmulator({"--devices", "2", "--base-ip", "10.77.0.100", "--device", "1:ip=10.77.0.2"}));

    AdapterList adapters;
    VekComm vek(nullptr, &m_bed->root, adapters.adapter(0), QHostAddress("255.255.255.255"));
    vek.startListening();
    QSignalSpy found(&vek, &VekComm::vekIamReceived);
    QTest::qWait(100);
    vek.vekPingUdp(QHostAddress("10.77.0.2").toIPv4Address());
    QTRY_COMPARE(found.count(), 1);
    QCOMPARE(found.at(0).at(0).value<ArdentixDevice>().macAddress, QString("02:A0:00:00:00:02"));
    QVERIFY(!emulator().findLine(QRegularExpression("^DISCOVERY from 10.77.0.1 to 10.77.0.2 answered 1$")).isNull());
}

void TestVekDiscovery::setIpAndRestartCarryTheirBytes()
{
    QVERIFY(m_bed->startEmulator({"--devices", "2", "--base-ip", "10.77.0.100"}));

    AdapterList adapters;
    QCOMPARE(adapters.count(), 1);
    VekComm vek(nullptr, &m_bed->root, adapters.adapter(0), QHostAddress("255.255.255.255"));
    vek.startListening();
    QSignalSpy found(&vek, &VekComm::vekIamReceived);
    QSignalSpy acks(&vek, &VekComm::vekAckReceived);
    QTest::qWait(100);
    vek.vekPingBroadcast();
    QTRY_COMPARE(found.count(), 2);
    const QMap<QString, ArdentixDevice> devices = byMac(found);
    const ArdentixDevice target = devices.value("02:A0:00:00:00:02");
    QCOMPARE(target.ipAddress, QHostAddress("10.77.0.101"));

    vek.vekSetDeviceIp(target, QHostAddress("10.77.0.150"));
    // Length field: the 11 characters plus one; no terminating zero follows the text.
    const QString setIp = "KOV 02:A0:00:00:00:02 9a 0101" "3a373e" "9a" "0c00"
                          + QString::fromLatin1(QByteArray("10.77.0.150").toHex()) + "0d0a";
    QTRY_VERIFY2(!emulator().findLine(QRegularExpression("^KOV .* 9a ")).isNull(),
                 qPrintable(emulator().lines().join('\n')));
    QCOMPARE(emulator().findLine(QRegularExpression("^KOV .* 9a ")), setIp);
    QTRY_COMPARE(acks.count(), 1);
    const ArdentixDevice ack = acks.at(0).at(0).value<ArdentixDevice>();
    QCOMPARE(ack.macAddress, QString("02:A0:00:00:00:02"));
    QCOMPARE(ack.displayMacAddress, QString("02:A0:00:00:00:02"));
    QCOMPARE(ack.ipAddress, QHostAddress("10.77.0.101"));
    QCOMPARE(ack.localAdapterMac, m_bed->pair().macAddress(NetnsPair::A));

    vek.vekRestartDevice(target);
    QTRY_VERIFY(!emulator().findLine(QRegularExpression("^KOV .* 49 ")).isNull());
    QCOMPARE(emulator().findLine(QRegularExpression("^KOV .* 49 ")),
             QString("KOV 02:A0:00:00:00:02 49 01013a373e4900000d0a"));
    QTRY_COMPARE(acks.count(), 2);
    QCOMPARE(emulator().countLines(QRegularExpression("^KOV 02:A0:00:00:00:01 ")), 0);   // addressed by MAC

    // The device now answers from its new address.
    found.clear();
    vek.vekPingBroadcast();
    QTRY_COMPARE(found.count(), 2);
    QCOMPARE(byMac(found).value("02:A0:00:00:00:02").ipAddress, QHostAddress("10.77.0.150"));

    // A placeholder MAC never becomes a frame.
    ArdentixDevice pending;
    pending.setMacString("Pending (10.77.0.7)");
    pending.ipAddress = QHostAddress("10.77.0.7");
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("Command not sent"));
    vek.vekRestartDevice(pending);
}

void TestVekDiscovery::flashSizeAnswerRenamesTheFirmware()
{
    QVERIFY(m_bed->startEmulator({"--devices", "2", "--base-ip", "10.77.0.100", "--device", "0:flash=large",
                                   "--device", "1:flash=standard,platform=101"}));

    AdapterList adapters;
    VekComm vek(nullptr, &m_bed->root, adapters.adapter(0), QHostAddress("255.255.255.255"));
    vek.startListening();
    QSignalSpy found(&vek, &VekComm::vekIamReceived);
    QSignalSpy renamed(&m_bed->root, &AxSignalObject::_signal_up_update_device_firmware_name);
    QTest::qWait(100);
    vek.vekPingBroadcast();
    QTRY_COMPARE(found.count(), 2);
    const QMap<QString, ArdentixDevice> devices = byMac(found);

    vek.vekGetFlashSize(devices.value("02:A0:00:00:00:01"));
    vek.vekGetFlashSize(devices.value("02:A0:00:00:00:02"));
    QTRY_COMPARE(renamed.count(), 2);
    const QMap<QString, ArdentixDevice> answered = byMac(renamed);
    const ArdentixDevice large = answered.value("02:A0:00:00:00:01");
    QCOMPARE(large.firmwareFileName, large.firmwareFileNameFor(300, 1));
    const ArdentixDevice standard = answered.value("02:A0:00:00:00:02");
    QCOMPARE(standard.firmwareFileName, standard.firmwareFileNameFor(101, 0));
    QCOMPARE(emulator().findLine(QRegularExpression("^KOV 02:A0:00:00:00:01 ca ")),
             QString("KOV 02:A0:00:00:00:01 ca 01013a373eca00000d0a"));
}

QTEST_GUILESS_MAIN(TestVekDiscovery)
#include "tst_vekdiscovery.moc"
