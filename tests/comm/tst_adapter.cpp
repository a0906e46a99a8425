#include "comm/link/adapter.h"

#include <QtTest>

class TestAdapter : public QObject
{
    Q_OBJECT

private slots:
    void fieldsAndByteOrders();
    void deviceListKeepsOneEntryPerMac();
    void deviceListIsBounded();
    void shortMacTextLeavesBytesZero();
    void subnetTest_data();
    void subnetTest();
};

void TestAdapter::fieldsAndByteOrders()
{
    const Adapter adapter(QHostAddress("192.168.1.20"), QHostAddress("255.255.255.0"),
                          "eth7", "Plant network", "00:1A:2b:3C:4D:5E");
    QCOMPARE(adapter.name(), QString("eth7"));
    QCOMPARE(adapter.description(), QString("Plant network"));
    QCOMPARE(adapter.macString(), QString("00:1A:2b:3C:4D:5E"));
    const unsigned char expected[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(adapter.macBytes()), 6),
             QByteArray(reinterpret_cast<const char *>(expected), 6));
    QCOMPARE(adapter.ipv4(), 0xC0A80114u);
    QCOMPARE(adapter.ipNetworkOrder(), 0x1401A8C0u);
    QCOMPARE(adapter.netmask(), 0xFFFFFF00u);
    QCOMPARE(adapter.netmaskNetworkOrder(), 0x00FFFFFFu);
    QCOMPARE(adapter.ipString(), QString("192.168.1.20"));
    QCOMPARE(adapter.netmaskString(), QString("255.255.255.0"));
    QCOMPARE(adapter.ip(), QHostAddress("192.168.1.20"));
    // libpcap on this platform opens an interface by its own name
    QCOMPARE(adapter.winPcapName(), QString("eth7"));
}

void TestAdapter::deviceListKeepsOneEntryPerMac()
{
    Adapter adapter(QHostAddress("10.0.0.1"), QHostAddress("255.0.0.0"), "eth0", "", "02:00:00:00:00:01");
    adapter.addDevice("AA:BB:CC:DD:EE:01");
    adapter.addDevice("AA:BB:CC:DD:EE:01");
    adapter.addDevice("AA:BB:CC:DD:EE:02");
    QCOMPARE(adapter.deviceMacs(), QStringList({"AA:BB:CC:DD:EE:01", "AA:BB:CC:DD:EE:02"}));
    QVERIFY(adapter.hasDevice("AA:BB:CC:DD:EE:02"));
    QVERIFY(!adapter.hasDevice("aa:bb:cc:dd:ee:02"));   // exact text comparison

    adapter.removeDevice("AA:BB:CC:DD:EE:09");
    QCOMPARE(adapter.deviceMacs().size(), 2);
    adapter.removeDevice("AA:BB:CC:DD:EE:01");
    QCOMPARE(adapter.deviceMacs(), QStringList({"AA:BB:CC:DD:EE:02"}));
}

void TestAdapter::deviceListIsBounded()
{
    Adapter adapter(QHostAddress("10.0.0.1"), QHostAddress("255.0.0.0"), "eth0", "", "02:00:00:00:00:01");
    const auto mac = [](int n) { return QString::asprintf("02:AA:00:00:%02X:%02X", n >> 8, n & 0xFF); };
    for (int n = 0; n < Adapter::MaxDevices; ++n)
        adapter.addDevice(mac(n));
    QVERIFY(adapter.hasDevice(mac(0)) && adapter.hasDevice(mac(Adapter::MaxDevices - 1)));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Device list of adapter .* full"));
    adapter.addDevice(mac(Adapter::MaxDevices));
    adapter.addDevice(mac(Adapter::MaxDevices + 1));   // reported once
    QVERIFY(!adapter.hasDevice(mac(Adapter::MaxDevices)));
    QCOMPARE(adapter.deviceMacs().size(), Adapter::MaxDevices);

    adapter.removeDevice(mac(0));
    adapter.addDevice(mac(Adapter::MaxDevices));
    QVERIFY(adapter.hasDevice(mac(Adapter::MaxDevices)));
}

void TestAdapter::shortMacTextLeavesBytesZero()
{
    const Adapter adapter(QHostAddress("10.0.0.1"), QHostAddress("255.0.0.0"), "tun0", "", "");
    for (int i = 0; i < 6; ++i)
        QCOMPARE(adapter.macBytes()[i], static_cast<unsigned char>(0));

    unsigned char bytes[6] = {1, 2, 3, 4, 5, 6};
    Adapter::parseMac("00:11:22:33:44:5", bytes);   // 16 characters
    QCOMPARE(bytes[0], static_cast<unsigned char>(1));
    Adapter::parseMac("zz:11:22:33:44:55", bytes);  // a pair that is not hexadecimal gives 0
    QCOMPARE(bytes[0], static_cast<unsigned char>(0));
    QCOMPARE(bytes[5], static_cast<unsigned char>(0x55));
}

void TestAdapter::subnetTest_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("netmask");
    QTest::addColumn<bool>("onSubnet");
    QTest::newRow("same /24") << "192.168.1.77" << "255.255.255.0" << true;
    QTest::newRow("other /24") << "192.168.2.77" << "255.255.255.0" << false;
    QTest::newRow("mask 0 takes all") << "8.8.8.8" << "0.0.0.0" << true;
    QTest::newRow("/16") << "192.168.200.1" << "255.255.0.0" << true;
}

void TestAdapter::subnetTest()
{
    QFETCH(QString, address);
    QFETCH(QString, netmask);
    QFETCH(bool, onSubnet);
    const Adapter adapter(QHostAddress("192.168.1.10"), QHostAddress(netmask), "eth0", "", "02:00:00:00:00:01");
    QCOMPARE(isOnAdapterSubnet(QHostAddress(address), adapter), onSubnet);
}

QTEST_GUILESS_MAIN(TestAdapter)
#include "tst_adapter.moc"
