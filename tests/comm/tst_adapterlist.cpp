#include "comm/link/adapter.h"
#include "comm/link/adapterlist.h"

#include "netnspair.h"
#include "testsandbox.h"

#include <QtTest>

// Enumerates real interfaces inside a private network namespace.
class TestAdapterList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyIpv4AddressIsOneAdapter();
    void downInterfaceThatCanBroadcastIsTaken();
    void linksWithoutEthernetAreSkipped();
    void listStopsAtTenAdapters();

private:
    bool inA(QString *error);
    void ip(const QStringList &arguments);

    TestSandbox *m_sandbox = nullptr;
    NetnsPair *m_pair = nullptr;
};

void TestAdapterList::init()
{
    m_sandbox = new TestSandbox;
    m_pair = new NetnsPair;
}

void TestAdapterList::cleanup()
{
    delete m_pair;   // leaves and removes the namespaces, also after a failure
    m_pair = nullptr;
    delete m_sandbox;
    m_sandbox = nullptr;
}

void TestAdapterList::ip(const QStringList &arguments)
{
    QString output;
    QVERIFY2(m_pair->run(NetnsPair::A, "ip", arguments, &output),
             qPrintable("ip " + arguments.join(' ') + ": " + output));
}

void TestAdapterList::everyIpv4AddressIsOneAdapter()
{
    AX_REQUIRE_NETNS(*m_pair);
    ip({"addr", "add", "10.77.0.11/24", "dev", m_pair->interfaceName(NetnsPair::A)});
    ip({"addr", "add", "fd00:77::1/64", "dev", m_pair->interfaceName(NetnsPair::A), "nodad"});
    QString error;
    QVERIFY2(m_pair->enter(NetnsPair::A, &error), qPrintable(error));

    AdapterList list;
    QCOMPARE(list.count(), 2);   // loopback is up but skipped; IPv6 gives none
    QStringList addresses;
    for (quint8 i = 0; i < list.count(); ++i) {
        const Adapter *adapter = list.adapter(i);
        QVERIFY(adapter);
        QCOMPARE(adapter->name(), m_pair->interfaceName(NetnsPair::A));
        QCOMPARE(adapter->macString(), m_pair->macAddress(NetnsPair::A));
        QCOMPARE(adapter->macBytes()[5], static_cast<unsigned char>(0x01));
        QCOMPARE(adapter->netmaskString(), QString("255.255.255.0"));
        QCOMPARE(list.winPcapName(i), m_pair->interfaceName(NetnsPair::A));
        addresses << list.ipString(i);
    }
    addresses.sort();
    QCOMPARE(addresses, QStringList({"10.77.0.1", "10.77.0.11"}));
}

void TestAdapterList::downInterfaceThatCanBroadcastIsTaken()
{
    AX_REQUIRE_NETNS(*m_pair);
    ip({"link", "add", "axdown0", "type", "veth", "peer", "name", "axdown1"});
    ip({"addr", "add", "10.78.0.1/24", "dev", "axdown0"});
    QString error;
    QVERIFY2(m_pair->enter(NetnsPair::A, &error), qPrintable(error));

    AdapterList list;
    QStringList names;
    for (quint8 i = 0; i < list.count(); ++i)
        names << list.name(i);
    QVERIFY2(names.contains("axdown0"), qPrintable(names.join(',')));
}

void TestAdapterList::linksWithoutEthernetAreSkipped()
{
    AX_REQUIRE_NETNS(*m_pair);
    if (!QFile::exists("/dev/net/tun"))
        QSKIP("no /dev/net/tun on this machine");
    ip({"tuntap", "add", "mode", "tun", "name", "axtun0"});
    ip({"addr", "add", "10.79.0.1/24", "dev", "axtun0"});
    ip({"link", "set", "axtun0", "up"});
    QString error;
    QVERIFY2(m_pair->enter(NetnsPair::A, &error), qPrintable(error));

    AdapterList list;
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.name(0), m_pair->interfaceName(NetnsPair::A));
}

void TestAdapterList::listStopsAtTenAdapters()
{
    AX_REQUIRE_NETNS(*m_pair);
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
    QString error;
    QVERIFY2(m_pair->enter(NetnsPair::A, &error), qPrintable(error));

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
