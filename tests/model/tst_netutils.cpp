#include "messagelog.h"
#include "testsandbox.h"

#include "model/netutils.h"

#include <QtTest>

#include <cstring>

namespace {

// Bit-by-bit CRC-16/MODBUS, independent of the tables under test.
quint16 standardModbusCrc(const QByteArray &data)
{
    quint16 crc = 0xFFFF;
    for (char c : data) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

quint16 crcOf(const QByteArray &data)
{
    return crc16Modbus(reinterpret_cast<const unsigned char *>(data.constData()), quint32(data.size()));
}

quint16 swapped(quint16 value)
{
    return quint16(value << 8 | value >> 8);
}

const unsigned char untouched = 0x5A;

} // namespace

class TestNetUtils : public QObject
{
    Q_OBJECT

private slots:
    void crcKnownValues_data();
    void crcKnownValues();
    void crcMatchesStandardForEveryByte();
    void crcMatchesStandardOnLongSegment();

    void addressAcceptance_data();
    void addressAcceptance();

    void formatsMacBytes();
    void parseMacStringWritesOnlyItsParts_data();
    void parseMacStringWritesOnlyItsParts();
    void macTextRoundTrip();

    void parseMacAddressFixedForm();
    void parseMacAddressRejectsShortText();

private:
    TestSandbox m_sandbox;
};

void TestNetUtils::crcKnownValues_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("crc");
    QTest::newRow("no bytes") << QByteArray() << 0xFFFF;
    QTest::newRow("check string") << QByteArray("123456789") << 0x374B;
    QTest::newRow("abc") << QByteArray("abc") << 0x4957;
}

void TestNetUtils::crcKnownValues()
{
    QFETCH(QByteArray, data);
    QFETCH(int, crc);
    QCOMPARE(crcOf(data), quint16(crc));
}

void TestNetUtils::crcMatchesStandardForEveryByte()
{
    // One byte reaches exactly one entry of each table, so this checks them all.
    for (int b = 0; b < 256; ++b) {
        const QByteArray data(1, char(b));
        QCOMPARE(crcOf(data), swapped(standardModbusCrc(data)));
    }
}

void TestNetUtils::crcMatchesStandardOnLongSegment()
{
    QByteArray segment(468, Qt::Uninitialized);
    for (int k = 0; k < segment.size(); ++k)
        segment[k] = char((k * 37 + 11) & 0xFF);
    QCOMPARE(crcOf(segment), swapped(standardModbusCrc(segment)));
}

void TestNetUtils::addressAcceptance_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("inside /8 filter") << "10.1.2.3" << "10.255.255.255" << true;
    QTest::newRow("outside /8 filter") << "11.1.2.3" << "10.255.255.255" << false;
    QTest::newRow("broadcast filter") << "172.16.9.200" << "255.255.255.255" << true;
    QTest::newRow("subnet filter") << "192.168.1.42" << "192.168.1.255" << true;
    QTest::newRow("subset of subnet bits") << "192.0.1.7" << "192.168.1.255" << true;
    QTest::newRow("other subnet") << "192.168.2.42" << "192.168.1.255" << false;
    QTest::newRow("zero filter") << "10.0.0.1" << "0.0.0.0" << false;
    QTest::newRow("zero filter, zero address") << "0.0.0.0" << "0.0.0.0" << true;
    QTest::newRow("IPv6 address") << "::1" << "255.255.255.255" << false;
    QTest::newRow("null address") << "" << "255.255.255.255" << false;
}

void TestNetUtils::addressAcceptance()
{
    QFETCH(QString, address);
    QFETCH(QString, filter);
    QFETCH(bool, accepted);
    QCOMPARE(isAddressAccepted(QHostAddress(address), QHostAddress(filter)), accepted);
}

void TestNetUtils::formatsMacBytes()
{
    const unsigned char bytes[6] = {0x00, 0x0A, 0xFF, 0x10, 0x01, 0xB2};
    QCOMPARE(formatMacAddress(bytes), QStringLiteral("00:0A:FF:10:01:B2"));
}

void TestNetUtils::parseMacStringWritesOnlyItsParts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");   // seven bytes: the six and one guard
    const char u = char(untouched);
    QTest::newRow("lower case") << "aa:bb:cc:dd:ee:ff" << QByteArray("\xAA\xBB\xCC\xDD\xEE\xFF", 6) + u;
    QTest::newRow("three parts") << "1:2:3" << QByteArray("\x01\x02\x03", 3) + QByteArray(4, u);
    QTest::newRow("seven parts") << "01:02:03:04:05:06:07" << QByteArray("\x01\x02\x03\x04\x05\x06", 6) + u;
    QTest::newRow("empty text") << "" << QByteArray(1, '\0') + QByteArray(6, u);
    QTest::newRow("placeholder key") << "Pending (10.0.0.5)" << QByteArray(1, '\0') + QByteArray(6, u);
    QTest::newRow("not hex, empty part") << "zz::0c:0d:0e:0f" << QByteArray("\x00\x00\x0C\x0D\x0E\x0F", 6) + u;
    QTest::newRow("wide part keeps low byte") << "1ab:02:03:04:05:06" << QByteArray("\xAB\x02\x03\x04\x05\x06", 6) + u;
    QTest::newRow("part beyond 16 bits") << "1ffff:02:03:04:05:06" << QByteArray("\x00\x02\x03\x04\x05\x06", 6) + u;
}

void TestNetUtils::parseMacStringWritesOnlyItsParts()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    unsigned char out[7];
    std::memset(out, untouched, sizeof out);
    MessageLog log;
    parseMacString(text, out);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out), 7), expected);
    QVERIFY(log.messages().isEmpty());
}

void TestNetUtils::macTextRoundTrip()
{
    const unsigned char bytes[6] = {0xDE, 0xAD, 0x00, 0x01, 0x7F, 0x80};
    unsigned char back[6] = {};
    parseMacString(formatMacAddress(bytes), back);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(back), 6),
             QByteArray(reinterpret_cast<const char *>(bytes), 6));
}

void TestNetUtils::parseMacAddressFixedForm()
{
    unsigned char out[6] = {};
    parseMacAddress("00:1a:2B:3C:4D:5E", out);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out), 6), QByteArray("\x00\x1A\x2B\x3C\x4D\x5E", 6));

    // Separators are not looked at; a pair that is not hex reads as 0.
    parseMacAddress("11-22-xx-44-55-66 and more", out);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out), 6), QByteArray("\x11\x22\x00\x44\x55\x66", 6));
}

void TestNetUtils::parseMacAddressRejectsShortText()
{
    unsigned char out[6];
    std::memset(out, untouched, sizeof out);
    QTest::ignoreMessage(QtDebugMsg, "String too short for MAC address");
    parseMacAddress("00:1A:2B:3C:4D:5", out);
    QTest::ignoreMessage(QtDebugMsg, "String too short for MAC address");
    parseMacAddress(nullptr, out);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out), 6), QByteArray(6, char(untouched)));
}

QTEST_GUILESS_MAIN(TestNetUtils)
#include "tst_netutils.moc"
