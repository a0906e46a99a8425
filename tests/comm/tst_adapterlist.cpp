#include "comm/link/adapter.h"
#include "comm/link/adapterlist.h"

#include "gatewaytestbed.h"

#include <QtTest>

// Enumerates real interfaces inside a private network namespace.
class TestAdapterList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_bed.reset(); }   // leaves and removes the namespaces, also after a failure

    void everyIpv4AddressIsOneAdapter();
    void downInterfaceThatCanBroadcastIsTaken();
    void linksWithoutEthernetAreSkipped();
    void listStopsAtTenAdapters();

private:
    void ip(const QStringList &arguments);
    NetnsPair &pair() { return m_bed->pair(); }

    QScopedPointer<GatewayTestBed> m_bed;
};

void TestAdapterList::init()
{
    m_bed.reset(new GatewayTestBed);
    AX_REQUIRE_TESTBED(*m_bed);
}

void TestAdapterList::ip(const QStringList &arguments)
{
    QString error;
    QVERIFY2(m_bed->ip(NetnsPair::A, arguments, &error), qPrintable(error));
}

void TestAdapterList::everyIpv4AddressIsOneAdapter()
{
    ip({"addr", "add", "10.77.0.11/24", "dev", pair().interfaceName(NetnsPair::A)});
    ip({"addr", "add", "fd00:77::1/64", "dev", pair().interfaceName(NetnsPair::A), "nodad"});

    AdapterList list;
    QCOMPARE(list.count(), 2);   // loopback is up but skipped; IPv6 gives none
    QStringList addresses;
    for (quint8 i = 0; i < list.count(); ++i) {
        const Adapter *adapter = list.adapter(i);
        QVERIFY(adapter);
        QCOMPARE(adapter->name(), pair().interfaceName(NetnsPair::A));
        QCOMPARE(adapter->macString(), pair().macAddress(NetnsPair::A));
        QCOMPARE(adapter->macBytes()[5], static_cast<unsigned char>(0x01));
        QCOMPARE(adapter->netmaskString(), QString("255.255.255.0"));
        QCOMPARE(list.winPcapName(i), pair().interfaceName(NetnsPair::A));
        addresses << list.ipString(i);
    }
    addresses.sort();
    QCOMPARE(addresses, QStringList({"10.77.0.1", "10.77.0.11"}));
}

void TestAdapterList::downInterfaceThatCanBroadcastIsTaken()
{
    ip({"link", "add", "axdown0", "type", "veth", "peer", "name", "axdown1"});
    ip({"addr", "add", "10.78.0.1/24", "dev", "axdown0"});

    AdapterList list;
    QStringList names;
    for (quint8 i = 0; i < list.count(); ++i)
        names << list.name(i);
    QVERIFY2(names.contains("axdown0"), qPrintable(names.join(',')));
}

void TestAdapterList::linksWithoutEthernetAreSkipped()
{
    if (!QFile::exists("/dev/net/tun"))
        QSKIP("no /dev/net/tun on this machine");
    ip({"tuntap", "add", "mode", "tun", "name", "axtun0"});
    ip({"addr", "add", "10.79.0.1/24", "dev", "axtun0"});
    ip({"link", "set", "axtun0", "up"});

    AdapterList list;
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.name(0), pair().interfaceName(NetnsPair::A));
}

void TestAdapterList::listStopsAtTenAdapters()
{
    // The veth end of the pair holds one address; four more pairs add eight,
    // so nine adapters are held before the pair with three addresses per end.
    for (int n = 0; n < 5; ++n) {
        const QString left = QString("axcap%1l").arg(n);
        const QString right = QString("axcap%1r").arg(n);
        ip({"link", "add", left, "type", "veth", "peer", "name", right});
        const int addressesPerEnd = n < 4 ? 1 : 3;
        for (int k = 0; k < addressesPerEnd; ++k) {
            ip({"addr", "add", QString("10.80.%1.%2/24").arg(2 * n).arg(k + 1), "dev", left});
            ip({"addr", "add", QString("10.80.%1.%2/24").arg(2 * n + 1).arg(k + 1), "dev", right});
        }
    }

    AdapterList list;
    QCOMPARE(list.count(), 10);
    const QString tenth = list.name(9);
    QVERIFY2(tenth == "axcap4l" || tenth == "axcap4r", qPrintable(tenth));
    QCOMPARE(list.ipString(9).section('.', 3), QString("1"));   // only its first address
    for (quint8 i = 0; i < 9; ++i)
        QVERIFY(list.name(i) != tenth);

    QTest::ignoreMessage(QtCriticalMsg, "[Adapter] Adapter does not exist.");
    QVERIFY(!list.adapter(10));
    QTest::ignoreMessage(QtCriticalMsg, "[Adapter IP String] Adapter does not exist.");
    QVERIFY(list.ipString(10).isNull());
    QTest::ignoreMessage(QtCriticalMsg, "[Adapter IP] Adapter does not exist.");
    QCOMPARE(list.ipv4(10), 0u);
    QTest::ignoreMessage(QtCriticalMsg, "[Adapter NetMask] Adapter does not exist.");
    QCOMPARE(list.netmaskNetworkOrder(10), 0u);
}

QTEST_GUILESS_MAIN(TestAdapterList)
#include "tst_adapterlist.moc"
