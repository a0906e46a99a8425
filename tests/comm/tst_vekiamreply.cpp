#include "comm/link/adapter.h"
#include "comm/vek/vekframe.h"
#include "comm/vek/vekiamreply.h"

#include "model/ardentixdevice.h"

#include "replyframes.h"

#include <QtTest>

using ReplyFrames::Iam;

class TestVekIamReply : public QObject
{
    Q_OBJECT

private slots:
    void everyFieldOfAGoodReply();
    void platformCodeByFrameSize();
    void platformNameOrTableName_data();
    void platformNameOrTableName();
    void versionByte_data();
    void versionByte();
    void textFieldsAreLatin1CutAtZero();
    void replyFilter_data();
    void replyFilter();
    void subnetOfTheReplysDestination();
    void repliesOfAnyLengthAreRead_data();
    void repliesOfAnyLengthAreRead();
    void hostileFramesAreDropped_data();
    void hostileFramesAreDropped();

private:
    VekIamReply::Outcome read(const QByteArray &frame, ArdentixDevice &device,
                              const QString &filter = "255.255.255.255");

    const Adapter m_adapter{QHostAddress("192.168.1.10"), QHostAddress("255.255.255.0"), "eth0", "LAN",
                            "02:00:0A:4D:00:01"};
};

VekIamReply::Outcome TestVekIamReply::read(const QByteArray &frame, ArdentixDevice &device, const QString &filter)
{
    return VekIamReply::read(VekFrame(frame), m_adapter, QHostAddress(filter), device);
}

void TestVekIamReply::everyFieldOfAGoodReply()
{
    Iam reply;
    reply.status = 0x11;
    reply.tag = "ABCDEFGH";   // fills its whole field
    ArdentixDevice device;
    QCOMPARE(read(ReplyFrames::iam(reply), device), VekIamReply::Accepted);
    QCOMPARE(device.ipAddress, QHostAddress("192.168.1.20"));
    QCOMPARE(device.macAddress, QString("00:50:C2:AA:00:01"));
    QCOMPARE(device.macBytes[5], quint8(0x01));
    QCOMPARE(device.displayMacAddress, QString("00:50:C2:AA:00:FF"));
    QCOMPARE(device.localAdapterMac, QString("02:00:0A:4D:00:01"));
    QCOMPARE(device.configTitle, QString("Boiler house"));
    QCOMPARE(device.firmwareVersion, QString("6.21.4"));
    QCOMPARE(device.rebootTime, QString("2026-12-01 08:00:00"));
    QCOMPARE(device.deviceTag, QString("ABCDEFGH"));
    QCOMPARE(device.deviceStatus, 0x11u);
    QCOMPARE(device.platformCode, 300u);
    QCOMPARE(device.devicePlatform, ArdentixDevice::platformNameForCode(300));
    QCOMPARE(device.nicCount, 2);
    QCOMPARE(device.firmwareFileName, device.firmwareFileNameFor(300, -1));
    QCOMPARE(device.iamVersion, quint8(1));
    QVERIFY(!device.secureGwSupport);
    QVERIFY(device.onAdapterSubnet);
    // Left for the communications manager and later probes.
    QVERIFY(!device.vekConnectivity);
    QVERIFY(!device.ipConnectivity);
    QVERIFY(device.buildDate.isEmpty());
    QCOMPARE(device.lastVekCommTime, quint64(0));
}

void TestVekIamReply::platformCodeByFrameSize()
{
    ArdentixDevice device;
    Iam reply;
    reply.frameSize = 236;
    QCOMPARE(read(ReplyFrames::iam(reply), device), VekIamReply::Accepted);
    QCOMPARE(device.platformCode, 0u);
    QCOMPARE(device.nicCount, 1);

    reply.frameSize = 238;
    QCOMPARE(read(ReplyFrames::iam(reply), device), VekIamReply::Accepted);
    QCOMPARE(device.platformCode, 300u);

    // In the long reply the code's upper half shares its bytes with the name.
    reply.platformName = "AB-Gateway";
    QCOMPARE(read(ReplyFrames::iam(reply), device), VekIamReply::Accepted);
    QCOMPARE(device.platformCode, 0x4241012Cu);
    QCOMPARE(device.devicePlatform, QString("AB-Gateway"));
}

void TestVekIamReply::platformNameOrTableName_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("fromReply");
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("blank") << QByteArray(" X100") << false;
    QTest::newRow("dash") << QByteArray("-X100") << false;
    QTest::newRow("zero") << QByteArray("0X100") << false;
    QTest::newRow("one") << QByteArray("1X100") << true;
    QTest::newRow("letter") << QByteArray("AX-K700") << true;
}

void TestVekIamReply::platformNameOrTableName()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, fromReply);
    Iam reply;
    reply.platformName = name;
    ArdentixDevice device;
    QCOMPARE(read(ReplyFrames::iam(reply), device), VekIamReply::Accepted);
    QCOMPARE(device.devicePlatform, fromReply ? QString::fromLatin1(name) : ArdentixDevice::platformNameForCode(300));
}

void TestVekIamReply::versionByte_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("iamVersion");
    QTest::addColumn<bool>("secure");
    QTest::newRow("0 keeps defaults") << 0 << 0 << false;
    QTest::newRow("1") << 1 << 1 << false;
    QTest::newRow("2") << 2 << 2 << true;
    QTest::newRow("7") << 7 << 7 << true;
}

void TestVekIamReply::versionByte()
{
    QFETCH(int, version);
    QFETCH(int, iamVersion);
    QFETCH(bool, secure);
    Iam reply;
    reply.version = quint8(version);
    ArdentixDevice device;
    QCOMPARE(read(ReplyFrames::iam(reply), device), VekIamReply::Accepted);
    QCOMPARE(int(device.iamVersion), iamVersion);
    QCOMPARE(device.secureGwSupport, secure);
}

void TestVekIamReply::textFieldsAreLatin1CutAtZero()
{
    Iam reply;
    reply.title = QByteArray(40, 'T');                    // byte 41 is never text
    reply.firmware = QByteArray("K\xF6ln 1.0\0junk", 13); // Latin-1, cut at the zero
    reply.restartTime = QByteArray(39, 'r');
    reply.platformName = QByteArray(30, 'P');
    ArdentixDevice device;
    QCOMPARE(read(ReplyFrames::iam(reply), device), VekIamReply::Accepted);
    QCOMPARE(device.configTitle, QString(39, 'T'));
    QCOMPARE(device.firmwareVersion, QString::fromUtf8("K\u00F6ln 1.0"));
    QCOMPARE(device.rebootTime, QString(39, 'r'));
    QCOMPARE(device.devicePlatform, QString(30, 'P'));
}

void TestVekIamReply::replyFilter_data()
{
    QTest::addColumn<quint32>("source");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("inside 192.168.1.255") << 0xC0A80114u << true;
    QTest::newRow("10.0.0.5") << 0x0A000005u << false;
}

void TestVekIamReply::replyFilter()
{
    QFETCH(quint32, source);
    QFETCH(bool, accepted);
    Iam reply;
    reply.sourceIp = source;
    ArdentixDevice device;
    QCOMPARE(read(ReplyFrames::iam(reply), device, "192.168.1.255"),
             accepted ? VekIamReply::Accepted : VekIamReply::FilteredOut);
}

void TestVekIamReply::subnetOfTheReplysDestination()
{
    Iam reply;
    reply.destinationIp = 0xFFFFFFFF;
    ArdentixDevice device;
    QCOMPARE(read(ReplyFrames::iam(reply), device), VekIamReply::Accepted);
    QVERIFY(!device.onAdapterSubnet);
}

// Read as captured: a length the reader does not know gives platform code 0,
// and headers that disagree with the capture are logged, not believed.
void TestVekIamReply::repliesOfAnyLengthAreRead_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<quint32>("platformCode");
    QTest::addColumn<bool>("logged");
    for (const int size : {234, 235, 300, 512, 1514}) {
        Iam reply;
        reply.frameSize = size;
        QTest::addRow("%d bytes", size) << ReplyFrames::iam(reply) << (size == 234 ? 300u : 0u) << false;
    }

    Iam full;
    full.frameSize = 1514;
    QTest::newRow("1514 bytes cut to 1000 by the capture: lengths larger")
        << ReplyFrames::iam(full).left(1000) << 0u << true;

    QByteArray claimsLess = ReplyFrames::iam(Iam());
    qToBigEndian<quint16>(28 + 100, claimsLess.data() + 16);
    qToBigEndian<quint16>(8 + 100, claimsLess.data() + 38);
    QTest::newRow("lengths smaller") << claimsLess << 300u << true;

    QByteArray disagree = ReplyFrames::iam(Iam());
    qToBigEndian<quint16>(100, disagree.data() + 16);
    QTest::newRow("IPv4 and UDP lengths disagree") << disagree << 300u << true;
}

void TestVekIamReply::repliesOfAnyLengthAreRead()
{
    QFETCH(QByteArray, frame);
    QFETCH(quint32, platformCode);
    QFETCH(bool, logged);
    if (logged)
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Identification reply read as captured"));
    ArdentixDevice device;
    QCOMPARE(read(frame, device), VekIamReply::Accepted);
    QCOMPARE(device.configTitle, QString("Boiler house"));
    QCOMPARE(device.deviceTag, QString("TAG1"));
    QCOMPARE(device.platformCode, platformCode);
    QCOMPARE(device.devicePlatform, ArdentixDevice::platformNameForCode(int(platformCode)));
}

void TestVekIamReply::hostileFramesAreDropped_data()
{
    QTest::addColumn<QByteArray>("frame");
    const QByteArray good = ReplyFrames::iam(Iam());
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte short") << good.left(233);
    QTest::newRow("header only") << good.left(42);

    QByteArray options = good;
    options[14] = 0x46;   // an options word would move every field
    QTest::newRow("IPv4 options") << options;

    QByteArray notUdp = good;
    notUdp[23] = 6;
    QTest::newRow("not UDP") << notUdp;

    QByteArray notIpv4 = good;
    notIpv4[12] = char(0x86);
    notIpv4[13] = char(0xDD);
    QTest::newRow("not IPv4") << notIpv4;
}

void TestVekIamReply::hostileFramesAreDropped()
{
    QFETCH(QByteArray, frame);
    ArdentixDevice device;
    device.configTitle = "untouched";
    QCOMPARE(read(frame, device), VekIamReply::Malformed);
    QCOMPARE(device.configTitle, QString("untouched"));
}

QTEST_GUILESS_MAIN(TestVekIamReply)
#include "tst_vekiamreply.moc"
