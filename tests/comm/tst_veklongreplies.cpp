#include "comm/axcomm.h"

#include "model/ardentixdevice.h"
#include "model/axmetatypes.h"
#include "model/axsignalobject.h"

#include "gatewaytestbed.h"

#include <QtTest>

// Gateways whose identification reply is longer than any the toolbox knows
// (newer firmware) still arrive, through the real capture: the longest is cut
// by the capture's snapshot length and read as far as it was captured.
class TestVekLongReplies : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void longerRepliesArrive();
};

void TestVekLongReplies::initTestCase()
{
    registerAxMetaTypes();
}

void TestVekLongReplies::longerRepliesArrive()
{
    GatewayTestBed bed;
    AX_REQUIRE_TESTBED(bed);
    QString error;
    QVERIFY2(bed.startEmulator({"--devices", "2", "--base-mac", "02:A0:00:00:00:01",
                                "--device", "0:reply=300", "--device", "1:reply=1511"}, &error),
             qPrintable(error));

    AxSignalObject root(nullptr);
    AxComm comm(nullptr, &root);
    comm.startListening(QHostAddress("255.255.255.255"));
    QSignalSpy found(&comm, &AxComm::deviceFound);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("reply read as captured: 1000 bytes, IPv4 length 1497"));
    QTest::qWait(100); // the capture thread is reading
    comm.vekPing();
    QTRY_COMPARE_WITH_TIMEOUT(found.count(), 2, 5000);

    QStringList macs;
    for (const QList<QVariant> &arguments : std::as_const(found)) {
        const ArdentixDevice device = arguments.at(0).value<ArdentixDevice>();
        macs << device.macAddress;
        QVERIFY(device.configTitle.startsWith("Gateway "));
        QCOMPARE(device.platformCode, 0u); // a length the reader does not know
    }
    macs.sort();
    QCOMPARE(macs, QStringList({"02:A0:00:00:00:01", "02:A0:00:00:00:02"}));
}

QTEST_GUILESS_MAIN(TestVekLongReplies)
#include "tst_veklongreplies.moc"
