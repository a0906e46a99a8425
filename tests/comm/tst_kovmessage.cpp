#include "comm/vek/kovmessage.h"
#include "comm/vek/kovsegment.h"
#include "comm/vek/kovsegmentrequest.h"

#include <QtTest>

namespace {

QByteArray envelope(quint8 command, const QByteArray &lengthField, const QByteArray &data)
{
    return QByteArray("\x01\x01:7>", 5) + char(command) + lengthField + data + "\r\n";
}

// The standard CRC-16/MODBUS, bit by bit, independent of the table routine.
quint16 standardModbus(const unsigned char *data, int length)
{
    quint16 crc = 0xFFFF;
    for (int i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

} // namespace

class TestKovMessage : public QObject
{
    Q_OBJECT

private slots:
    void discoveryRequest();
    void commandsWithoutData_data();
    void commandsWithoutData();
    void setIpAnnouncesOneMoreByte();
    void valueIsBigEndianInEightBytes();
    void textFieldIsTwoHundredBytes();
    void rawDataAndPasswordDownload();
    void scramblePassword_data();
    void scramblePassword();
    void segmentLayoutAndCrcByteOrder();
    void segmentRequestLayout();
    void valueReplyClassification();
    void dataReplyClassification();
};

void TestKovMessage::discoveryRequest()
{
    QByteArray expected(192, '\0');
    expected[0] = 0x05;
    expected[1] = 0x01;
    QCOMPARE(KovMessage::discoveryRequest(), expected);
}

void TestKovMessage::commandsWithoutData_data()
{
    QTest::addColumn<int>("command");
    QTest::newRow("restart") << int(KOV_RESTART_DEVICE);
    QTest::newRow("net support") << int(KOV_GET_NET_SUPPORT);
    QTest::newRow("flash size") << int(KOV_GET_FLASH_SIZE);
    QTest::newRow("abort snapshot") << int(KOV_ABORT_BRIDGE_SNAPSHOT);
    QTest::newRow("disk space") << int(KOV_GET_DISK_SPACE);
    QTest::newRow("download complete") << int(KOV_DOWNLOAD_COMPLETE);
    QTest::newRow("upload abort") << int(KOV_UPLOAD_ABORT);
}

void TestKovMessage::commandsWithoutData()
{
    QFETCH(int, command);
    const QByteArray payload = KovMessage::request(quint8(command));
    QCOMPARE(payload.size(), 10);
    QCOMPARE(payload, envelope(quint8(command), QByteArray(2, '\0'), QByteArray()));
}

void TestKovMessage::setIpAnnouncesOneMoreByte()
{
    QCOMPARE(KovMessage::setIpRequest(QHostAddress("10.1.2.3")),
             envelope(0x9A, QByteArray("\x09\x00", 2), "10.1.2.3"));
    const QByteArray longest = KovMessage::setIpRequest(QHostAddress("192.168.100.200"));
    QCOMPARE(longest.size(), 8 + 15 + 2);
    QCOMPARE(quint8(longest.at(6)), quint8(16));
}

void TestKovMessage::valueIsBigEndianInEightBytes()
{
    QCOMPARE(KovMessage::valueRequest(KOV_SET_INCOMING_FILESIZE, 1000),
             envelope(0xD2, QByteArray("\x08\x00", 2), QByteArray("\x00\x00\x03\xE8\x00\x00\x00\x00", 8)));
}

void TestKovMessage::textFieldIsTwoHundredBytes()
{
    const QByteArray payload = KovMessage::textRequest(KOV_GET_FILE_SIZE, "config.csv");
    QCOMPARE(payload.size(), 210);
    QCOMPARE(payload, envelope(0xA6, QByteArray("\x0A\x00", 2), QByteArray("config.csv") + QByteArray(190, '\0')));

    const QString longName(230, 'n');
    const QByteArray longer = KovMessage::textRequest(KOV_UPLOAD_START, longName);
    QCOMPARE(longer.size(), 8 + 230 + 2);
    QCOMPARE(quint8(longer.at(6)), quint8(230));
    QVERIFY(longer.endsWith(QByteArray("n\r\n")));

    // Characters beyond Latin-1 go out as zero bytes.
    const QByteArray wide = KovMessage::textRequest(KOV_DOWNLOAD_START, QString::fromUtf8("a\u20ACb"));
    QCOMPARE(wide.mid(8, 3), QByteArray("a\0b", 3));
}

void TestKovMessage::rawDataAndPasswordDownload()
{
    QCOMPARE(KovMessage::request(KOV_SET_OVERWRITE_FLAG, QByteArray(1, '\x01')),
             envelope(0x9D, QByteArray("\x01\x00", 2), QByteArray(1, '\x01')));

    const QString name = QString(45, 'f');
    const QByteArray data = KovMessage::passwordDownloadData(name, QString(25, 'p'));
    QCOMPARE(data.size(), 60);
    QCOMPARE(data.left(40), QByteArray(40, 'f'));
    QCOMPARE(data.mid(40), QByteArray(20, 'p'));
    const QByteArray shortOnes = KovMessage::passwordDownloadData("a.txt", QString::fromUtf8("x\u0100"));
    QCOMPARE(shortOnes.left(40), QByteArray("a.txt") + QByteArray(35, '\0'));
    QCOMPARE(shortOnes.mid(40), QByteArray("x") + QByteArray(19, '\0'));
    QCOMPARE(KovMessage::request(KOV_DOWNLOAD_START_WITH_PASSWORD, data).size(), 70);
}

void TestKovMessage::scramblePassword_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("scrambled");
    // 'a' + 0x3A = 155 wraps to 61; '!' + 0x3A = 91 stays.
    QTest::newRow("wrap") << "a" << QByteArray("=");
    QTest::newRow("no wrap") << "!" << QByteArray("[");
    QTest::newRow("above Latin-1 counts as 0") << QString(QChar(0x263A)) << QByteArray(":");
    // 0xE9 is negative as a signed byte: no wrap, the sum is cut to 8 bits.
    QTest::newRow("high Latin-1") << QString(QChar(0xE9)) << QByteArray("#");
    // The key repeats after 16 characters.
    // '!' + 0x6E and '!' + 0x60 wrap; '!' + 0x5D is exactly 126 and does not.
    QTest::newRow("key repeats") << QString(17, QChar('!')) << QByteArray("[8s)b=1J&Tp3H~,#[");
}

void TestKovMessage::scramblePassword()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, scrambled);
    const QString result = KovMessage::scramblePassword(password);
    QCOMPARE(result.size(), password.size());
    QCOMPARE(result.toLatin1(), scrambled);
}

void TestKovMessage::segmentLayoutAndCrcByteOrder()
{
    QByteArray file(1000, '\0');
    for (int i = 0; i < file.size(); ++i)
        file[i] = char(i * 7 + 3);
    KovSegment segment;
    segment.data[449] = 0x55;   // stale bytes must be cleared
    segment.fill(file, 900);
    QCOMPARE(segment.offset, 900u);
    QCOMPARE(segment.length, quint16(100));

    const QByteArray bytes = segment.toBytes();
    QCOMPARE(bytes.size(), 468);
    QCOMPARE(bytes.left(6), QByteArray("\x84\x03\x00\x00\x64\x00", 6));
    QCOMPARE(bytes.mid(8, 100), file.mid(900));
    QCOMPARE(bytes.mid(108, 350), QByteArray(350, '\0'));
    QCOMPARE(bytes.mid(458), QByteArray(10, '\0'));

    const quint16 standard = standardModbus(reinterpret_cast<const unsigned char *>(bytes.constData()) + 8, 450);
    QCOMPARE(quint8(bytes.at(6)), quint8(standard >> 8));
    QCOMPARE(quint8(bytes.at(7)), quint8(standard & 0xFF));

    // The check string at the start of a segment, to pin the byte order on a known value.
    KovSegment check;
    check.fill(QByteArray("123456789"), 0);
    QByteArray field(450, '\0');
    field.replace(0, 9, "123456789");
    const quint16 checkCrc = standardModbus(reinterpret_cast<const unsigned char *>(field.constData()), 450);
    QCOMPARE(check.toBytes().mid(6, 2), QByteArray(1, char(checkCrc >> 8)) + char(checkCrc & 0xFF));

    KovSegment empty;
    empty.fill(QByteArray(), 0);
    QCOMPARE(empty.length, quint16(0));
    KovSegment past;
    past.fill(file, 5000);
    QCOMPARE(past.length, quint16(0));
}

void TestKovMessage::segmentRequestLayout()
{
    KovSegmentRequest request;
    request.offset = 0x01020304;
    request.length = 450;
    QCOMPARE(request.toBytes(), QByteArray("\x04\x03\x02\x01\xC2\x01\x00\x00", 8));
}

void TestKovMessage::valueReplyClassification()
{
    unsigned char value[4] = {0, 0, 0, 0};
    QCOMPARE(KovMessage::parseKovValueReply(QByteArray(":7<E\0\0\0\0\0\0", 10), value, 4, 0xA5), 'G');
    QCOMPARE(QByteArray(reinterpret_cast<char *>(value), 4), QByteArray(4, '\0'));
    QCOMPARE(KovMessage::parseKovValueReply(QByteArray(":7<N\0\0\0\0\0\0", 10), value, 4, 0xA5), 'B');
    QCOMPARE(KovMessage::parseKovValueReply(QByteArray(":7/\xA6\x04\x00\x10\x00\x00\x00", 10), value, 4, 0xA5), 'B');
    QCOMPARE(KovMessage::parseKovValueReply(QByteArray(":7/\xA5\x04\x00\xD0\x07\x00\x00", 10), value, 4, 0xA5), 'G');
    QCOMPARE(qFromLittleEndian<quint32>(value), 2000u);
    QCOMPARE(KovMessage::parseKovValueReply(QByteArray(":7\xC3" "E\0\0\0\0\0\0", 10), value, 4, 0xA5), 'I');
    QCOMPARE(KovMessage::parseKovValueReply(QByteArray(":7/\xA5\x04\x00\xD0\x07\x00", 9), value, 4, 0xA5), 'B');
    QCOMPARE(KovMessage::parseKovValueReply(QByteArray(":7/\xA5\x04\x00\xD0\x07\x00\x00", 10), nullptr, 4, 0xA5), 'B');
}

void TestKovMessage::dataReplyClassification()
{
    unsigned char out[8];
    std::fill(out, out + 8, 0xEE);
    QCOMPARE(KovMessage::parseKovDataReply(QByteArray(":7<N\0\0", 6), out, 8), 'G');
    QCOMPARE(out[0], quint8(0xEE));   // nothing copied
    QCOMPARE(KovMessage::parseKovDataReply(QByteArray(":7<E\0\0", 6), out, 8), 'I');
    QCOMPARE(KovMessage::parseKovDataReply(QByteArray(":7\xC3" "E\0\0", 6), out, 8), 'I');
    QCOMPARE(KovMessage::parseKovDataReply(QByteArray(":7<N\0", 5), out, 8), 'B');
    QCOMPARE(KovMessage::parseKovDataReply(QByteArray(":7/\xB6\x03\x00" "abc", 9), out, 8), 'G');
    QCOMPARE(QByteArray(reinterpret_cast<char *>(out), 4), QByteArray("abc\xEE"));
    QCOMPARE(KovMessage::parseKovDataReply(QByteArray(":7/\xB6\x03\x00" "ab", 8), out, 8), 'B');   // cut short
    QCOMPARE(KovMessage::parseKovDataReply(QByteArray(":7/\xB6\x09\x00" "abcdefghi", 15), out, 8), 'B');   // too big
    QCOMPARE(KovMessage::parseKovDataReply(QByteArray(":7/\xB6\x03\x00" "abc", 9), nullptr, 8), 'B');
    QCOMPARE(KovMessage::parseKovDataReply(QByteArray(":7/\xB6\x03\x00" "abc", 9), out, 0), 'B');
    QCOMPARE(KovMessage::parseKovDataReply(QByteArray(":7>\xB6\x03\x00" "abc", 9), out, 8), 'B');
}

QTEST_GUILESS_MAIN(TestKovMessage)
#include "tst_kovmessage.moc"
