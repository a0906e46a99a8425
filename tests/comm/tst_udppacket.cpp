#include "comm/link/udppacket.h"

#include <QtTest>

namespace {

const unsigned char kBroadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const unsigned char kSource[6] = {0x02, 0x00, 0x0A, 0x4D, 0x00, 0x01};

quint16 word(const unsigned char *frame, int offset)
{
    return static_cast<quint16>(frame[offset] << 8 | frame[offset + 1]);
}

// The one's-complement sum of the ten header words, checksum included.
quint16 headerSum(const unsigned char *frame)
{
    quint32 sum = 0;
    for (int offset = 14; offset < 34; offset += 2)
        sum += word(frame, offset);
    while (sum > 0xFFFF)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<quint16>(sum);
}

} // namespace

class TestUdpPacket : public QObject
{
    Q_OBJECT

private slots:
    void headersOfADiscoveryFrame();
    void payloadLimits();
    void checksumVerifiesAfterCarries_data();
    void checksumVerifiesAfterCarries();
    void randomFieldsAreDrawnPerFrame();
    void givenSourcePortAndLowerLayers();
};

void TestUdpPacket::headersOfADiscoveryFrame()
{
    UdpPacket packet(kBroadcast, kSource, 0xFFFFFFFF, 0xC0A80114, 1024);   // from 192.168.1.20
    QByteArray data(192, '\0');
    data[0] = 0x05;
    data[1] = 0x01;
    QCOMPARE(packet.setPayload(reinterpret_cast<const unsigned char *>(data.constData()), 192), 192);

    const unsigned char *frame = packet.buffer();
    QCOMPARE(packet.frameLength(), quint16(234));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame), 6), QByteArray(6, '\xFF'));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame + 6), 6),
             QByteArray(reinterpret_cast<const char *>(kSource), 6));
    QCOMPARE(word(frame, 12), quint16(0x0800));
    QCOMPARE(frame[14], quint8(0x45));
    QCOMPARE(frame[15], quint8(0));
    QCOMPARE(word(frame, 16), quint16(220));
    QCOMPARE(word(frame, 20), quint16(0));
    QCOMPARE(frame[22], quint8(128));
    QCOMPARE(frame[23], quint8(17));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame + 26), 4), QByteArray("\xC0\xA8\x01\x14", 4));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame + 30), 4), QByteArray(4, '\xFF'));
    QCOMPARE(word(frame, 36), quint16(1024));
    QCOMPARE(word(frame, 38), quint16(200));
    QCOMPARE(word(frame, 40), quint16(0));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame + 42), 192), data);
    QCOMPARE(headerSum(frame), quint16(0xFFFF));
}

void TestUdpPacket::payloadLimits()
{
    const QByteArray full(1470, '\x5A');
    const auto *bytes = reinterpret_cast<const unsigned char *>(full.constData());

    UdpPacket largest(kBroadcast, kSource, 1, 2, 1024);
    QCOMPARE(largest.setPayload(bytes, 1469), 1469);
    QCOMPARE(largest.frameLength(), quint16(UdpPacket::BufferSize));
    QCOMPARE(largest.buffer()[UdpPacket::BufferSize - 1], quint8(0x5A));

    UdpPacket refused(kBroadcast, kSource, 1, 2, 1024);
    QCOMPARE(refused.setPayload(bytes, 1470), -1);
    QCOMPARE(refused.frameLength(), quint16(14));   // untouched
    QCOMPARE(word(refused.buffer(), 38), quint16(8));
    QCOMPARE(word(refused.buffer(), 24), quint16(0));

    UdpPacket empty(kBroadcast, kSource, 1, 2, 1024);
    QCOMPARE(empty.setPayload(bytes, 0), 0);
    QCOMPARE(empty.frameLength(), quint16(42));
    QCOMPARE(word(empty.buffer(), 16), quint16(28));
    QCOMPARE(word(empty.buffer(), 38), quint16(8));
}

void TestUdpPacket::checksumVerifiesAfterCarries_data()
{
    QTest::addColumn<quint32>("destination");
    QTest::addColumn<quint32>("source");
    QTest::newRow("small") << 0x0A000001u << 0x0A000002u;
    QTest::newRow("all ones") << 0xFFFFFFFFu << 0xFFFFFFFFu;   // the first fold carries again
    QTest::newRow("mixed") << 0xFFFF0000u << 0xC0A80114u;
}

void TestUdpPacket::checksumVerifiesAfterCarries()
{
    QFETCH(quint32, destination);
    QFETCH(quint32, source);
    for (int attempt = 0; attempt < 200; ++attempt) {   // covers many random identifications
        UdpPacket packet(kBroadcast, kSource, destination, source, 1024);
        const QByteArray data(1400, '\xFF');
        packet.setPayload(reinterpret_cast<const unsigned char *>(data.constData()), 1400);
        QCOMPARE(headerSum(packet.buffer()), quint16(0xFFFF));
    }
}

void TestUdpPacket::randomFieldsAreDrawnPerFrame()
{
    QSet<quint32> seen;
    for (int i = 0; i < 20; ++i) {
        UdpPacket packet(kBroadcast, kSource, 1, 2, 1024);
        const quint16 id = word(packet.buffer(), 18);
        const quint16 port = word(packet.buffer(), 34);
        const unsigned char data[4] = {1, 2, 3, 4};
        packet.setPayload(data, 4);
        QCOMPARE(word(packet.buffer(), 18), id);     // fixed for the frame's life
        QCOMPARE(word(packet.buffer(), 34), port);
        seen.insert(quint32(id) << 16 | port);
    }
    QVERIFY(seen.size() > 15);
}

void TestUdpPacket::givenSourcePortAndLowerLayers()
{
    UdpPacket packet(kBroadcast, kSource, 0x0A4D0001, 0x0A4D0002, 1024, 51234);
    QCOMPARE(word(packet.buffer(), 34), quint16(1024));
    QCOMPARE(word(packet.buffer(), 36), quint16(51234));

    const QByteArray raw(1498, 'x');
    const auto *bytes = reinterpret_cast<const unsigned char *>(raw.constData());
    EthernetPacket ethernet(kBroadcast, kSource);
    QCOMPARE(ethernet.setPayload(bytes, 1498, 0x88B5), -1);
    QCOMPARE(ethernet.setPayload(bytes, 1497, 0x88B5), 1497);
    QCOMPARE(word(ethernet.buffer(), 12), quint16(0x88B5));
    QCOMPARE(ethernet.setPayload(bytes, 46, 0), 46);
    QCOMPARE(word(ethernet.buffer(), 12), quint16(46));
    QCOMPARE(ethernet.frameLength(), quint16(60));
    QCOMPARE(ethernet.payloadLength(), quint16(46));

    IpPacket ip(kBroadcast, kSource, 0x0A4D0001, 0x0A4D0002, 1);
    QCOMPARE(ip.setPayload(bytes, 1478), -1);
    QCOMPARE(ip.setPayload(bytes, 1477), 1477);
    QCOMPARE(ip.frameLength(), quint16(UdpPacket::BufferSize));
    QCOMPARE(word(ip.buffer(), 16), quint16(1497));
    QCOMPARE(headerSum(ip.buffer()), quint16(0xFFFF));
}

QTEST_GUILESS_MAIN(TestUdpPacket)
#include "tst_udppacket.moc"
