#include "comm/link/adapter.h"
#include "comm/vek/vekcomm.h"

#include "model/ardentixdevice.h"
#include "model/axmetatypes.h"
#include "model/axsignalobject.h"

#include "messagelog.h"
#include "replyframes.h"

#include <QtTest>

using ReplyFrames::Iam;

// The reception side of a VEK endpoint: captured frames are handed to its
// dispatcher as the capture thread would, and its reports are watched.
class TestVekComm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void identificationReplyIsReported();
    void replyFilterDropsOtherSources();
    void shortAndForeignFramesAreDropped();
    void jsonPortNeverReachesTheReplyReader();
    void acknowledgeAndRefusal();
    void flashSizeAnswersMatchPendingDevices();
    void advancedNetworkThreshold_data();
    void advancedNetworkThreshold();
    void busRelayGoesWithTheEndpoint();

private:
    void deliver(const QByteArray &frame);
    ArdentixDevice pendingDevice(const QString &mac, quint32 code) const;

    Adapter m_adapter{QHostAddress("192.168.1.10"), QHostAddress("255.255.255.0"), "axnosuchif0", "LAN",
                      "02:00:0A:4D:00:01"};
    AxSignalObject *m_root = nullptr;
    VekComm *m_vek = nullptr;
};

void TestVekComm::initTestCase()
{
    registerAxMetaTypes();
}

void TestVekComm::init()
{
    m_root = new AxSignalObject(nullptr);
    m_vek = new VekComm(nullptr, m_root, &m_adapter, QHostAddress("255.255.255.255"));
}

void TestVekComm::cleanup()
{
    delete m_vek;
    m_vek = nullptr;
    delete m_root;
    m_root = nullptr;
}

void TestVekComm::deliver(const QByteArray &frame)
{
    QVERIFY(QMetaObject::invokeMethod(m_vek, "processVekPacket", Q_ARG(QByteArray, frame)));
}

ArdentixDevice TestVekComm::pendingDevice(const QString &mac, quint32 code) const
{
    ArdentixDevice device;
    device.setMacString(mac);
    device.platformCode = code;
    device.ipAddress = QHostAddress("192.168.1.20");
    return device;
}

void TestVekComm::identificationReplyIsReported()
{
    QSignalSpy found(m_vek, &VekComm::vekIamReceived);
    deliver(ReplyFrames::iam(Iam()));
    QCOMPARE(found.count(), 1);
    const ArdentixDevice device = found.at(0).at(0).value<ArdentixDevice>();
    QCOMPARE(device.macAddress, QString("00:50:C2:AA:00:01"));
    QCOMPARE(device.localAdapterMac, QString("02:00:0A:4D:00:01"));

    // A reply cut short is dropped with a message, not read.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Identification reply dropped"));
    deliver(ReplyFrames::iam(Iam()).left(200));
    QCOMPARE(found.count(), 1);
}

void TestVekComm::replyFilterDropsOtherSources()
{
    VekComm filtered(nullptr, m_root, &m_adapter, QHostAddress("192.168.1.255"));
    QSignalSpy found(&filtered, &VekComm::vekIamReceived);
    Iam outside;
    outside.sourceIp = 0x0A000005;
    QVERIFY(QMetaObject::invokeMethod(&filtered, "processVekPacket", Q_ARG(QByteArray, ReplyFrames::iam(outside))));
    QVERIFY(QMetaObject::invokeMethod(&filtered, "processVekPacket", Q_ARG(QByteArray, ReplyFrames::iam(Iam()))));
    QCOMPARE(found.count(), 1);
    QCOMPARE(found.at(0).at(0).value<ArdentixDevice>().ipAddress, QHostAddress("192.168.1.20"));
}

void TestVekComm::shortAndForeignFramesAreDropped()
{
    QSignalSpy found(m_vek, &VekComm::vekIamReceived);
    QSignalSpy acks(m_vek, &VekComm::vekAckReceived);
    {
        // A flood of them is one line a second.
        MessageLog log;
        for (int i = 0; i < 1000; ++i)
            deliver(ReplyFrames::kov(":7<N").left(50));
        deliver(QByteArray());
        QCOMPARE(log.messages(), QList<QString>{QStringLiteral("Packet too short")});
    }
    QByteArray notIpv4 = ReplyFrames::kov(":7<N");
    notIpv4[12] = char(0x86);
    notIpv4[13] = char(0xDD);
    deliver(notIpv4);
    deliver(ReplyFrames::kov(":8<N"));
    QCOMPARE(acks.count(), 0);
    QCOMPARE(found.count(), 0);
}

void TestVekComm::jsonPortNeverReachesTheReplyReader()
{
    QSignalSpy found(m_vek, &VekComm::vekIamReceived);
    QByteArray fromJsonPort = ReplyFrames::iam(Iam());
    qToBigEndian<quint16>(1025, fromJsonPort.data() + 34);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("JSON text from .* not readable"));
    deliver(fromJsonPort);
    QCOMPARE(found.count(), 0);

    // JSON text from port 1025, cut at its zero byte, is read without a report.
    const QByteArray json = "{\"result\":{\"Status\":\"Success\"}}";
    QByteArray text = ReplyFrames::udpFrame(QByteArray(6, '\xFF'), QByteArray::fromHex("0050C2AA0001"), 1, 2,
                                            json.size() + 5, 42 + json.size() + 5, 1025);
    text.replace(42, json.size(), json);
    VekComm fresh(nullptr, m_root, &m_adapter, QHostAddress("255.255.255.255"));  // its own line a second
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("JSON text from .* read"));
    QVERIFY(QMetaObject::invokeMethod(&fresh, "processVekPacket", Q_ARG(QByteArray, text)));
}

void TestVekComm::acknowledgeAndRefusal()
{
    QSignalSpy acks(m_vek, &VekComm::vekAckReceived);
    QSignalSpy naks(m_vek, &VekComm::vekNakReceived);
    deliver(ReplyFrames::kov(":7<N"));
    QCOMPARE(acks.count(), 1);
    const ArdentixDevice ack = acks.at(0).at(0).value<ArdentixDevice>();
    QCOMPARE(ack.ipAddress, QHostAddress("192.168.1.20"));
    QCOMPARE(ack.macAddress, QString("00:50:C2:AA:00:01"));
    QCOMPARE(ack.displayMacAddress, QString("00:50:C2:AA:00:01"));
    QCOMPARE(ack.localAdapterMac, QString("02:00:0A:4D:00:01"));

    QTest::ignoreMessage(QtDebugMsg, "NAK received from:  \"192.168.1.20\"");
    deliver(ReplyFrames::kov(":7<3"));
    QCOMPARE(naks.count(), 1);
    const ArdentixDevice nak = naks.at(0).at(0).value<ArdentixDevice>();
    QCOMPARE(nak.macAddress, QString("00:50:C2:AA:00:01"));
    QVERIFY(nak.localAdapterMac.isEmpty());
    QCOMPARE(acks.count(), 1);
}

void TestVekComm::flashSizeAnswersMatchPendingDevices()
{
    QSignalSpy renamed(m_root, &AxSignalObject::_signal_up_update_device_firmware_name);
    const QString first = "00:50:C2:AA:00:01";
    const QString second = "00:50:C2:AA:00:02";
    // The request cannot leave (no such interface); the device is remembered all the same.
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("Frame not sent"));
    QTest::ignoreMessage(QtDebugMsg, "Get Flash size");
    m_vek->vekGetFlashSize(pendingDevice(first, 300));
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("Frame not sent"));
    QTest::ignoreMessage(QtDebugMsg, "Get Flash size");
    m_vek->vekGetFlashSize(pendingDevice(second, 101));
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("Frame not sent"));
    QTest::ignoreMessage(QtDebugMsg, "Get Flash size");
    m_vek->vekGetFlashSize(pendingDevice(first, 300));

    deliver(ReplyFrames::kov(QByteArray(":7<\x04", 4), QByteArray::fromHex("0050C2AA0009")));   // not pending
    QCOMPARE(renamed.count(), 0);

    deliver(ReplyFrames::kov(QByteArray(":7<\x04", 4), QByteArray::fromHex("0050C2AA0001")));
    QCOMPARE(renamed.count(), 1);
    ArdentixDevice device = renamed.at(0).at(0).value<ArdentixDevice>();
    QCOMPARE(device.macAddress, first);
    QCOMPARE(device.firmwareFileName, device.firmwareFileNameFor(300, 1));

    deliver(ReplyFrames::kov(":7<E", QByteArray::fromHex("0050C2AA0002")));   // error: no report, no longer pending
    deliver(ReplyFrames::kov(QByteArray(":7<\x02", 4), QByteArray::fromHex("0050C2AA0002")));
    QCOMPARE(renamed.count(), 1);

    // The second request for the first device is answered once more, then no more.
    deliver(ReplyFrames::kov(QByteArray(":7<\x02", 4), QByteArray::fromHex("0050C2AA0001")));
    deliver(ReplyFrames::kov(QByteArray(":7<\x02", 4), QByteArray::fromHex("0050C2AA0001")));
    QCOMPARE(renamed.count(), 2);
    device = renamed.at(1).at(0).value<ArdentixDevice>();
    QCOMPARE(device.firmwareFileName, device.firmwareFileNameFor(300, 0));
}

void TestVekComm::advancedNetworkThreshold_data()
{
    QTest::addColumn<quint16>("value");
    QTest::addColumn<VEK_NET_SUPPORT>("support");
    QTest::newRow("0x420") << quint16(0x420) << VEK_NET_SUPPORTED;
    QTest::newRow("0x41F") << quint16(0x41F) << VEK_NET_NOT_SUPPORTED;
    QTest::newRow("0") << quint16(0) << VEK_NET_NOT_SUPPORTED;
}

void TestVekComm::advancedNetworkThreshold()
{
    QFETCH(quint16, value);
    QFETCH(VEK_NET_SUPPORT, support);
    QSignalSpy answers(m_vek, &VekComm::vekAdvancedNetwork_support);
    deliver(ReplyFrames::kov(QByteArray(":7/\xB6\x02\x00", 6) + char(value & 0xFF) + char(value >> 8)));
    QCOMPARE(answers.count(), 1);
    QCOMPARE(answers.at(0).at(0).toString(), QString("00:50:C2:AA:00:01"));
    QCOMPARE(answers.at(0).at(1).value<VEK_NET_SUPPORT>(), support);
}

void TestVekComm::busRelayGoesWithTheEndpoint()
{
    const int relaysBefore = m_root->children().size();
    auto *vek = new VekComm(nullptr, m_root, &m_adapter, QHostAddress("255.255.255.255"));
    QCOMPARE(m_root->children().size(), relaysBefore + 1);
    delete vek;
    QCOMPARE(m_root->children().size(), relaysBefore);
}

QTEST_GUILESS_MAIN(TestVekComm)
#include "tst_vekcomm.moc"
