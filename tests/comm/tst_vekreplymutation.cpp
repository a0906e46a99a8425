#include "comm/link/adapter.h"
#include "comm/vek/kovmessage.h"
#include "comm/vek/vekcomm.h"
#include "comm/vek/vekframe.h"
#include "comm/vek/vekiamreply.h"

#include "model/ardentixdevice.h"
#include "model/axmetatypes.h"
#include "model/axsignalobject.h"

#include "replyframes.h"

#include <QtTest>

// Thousands of damaged replies from a fixed seed through every reader of
// wire data: none may crash or read outside the frame, and what is accepted
// stays within the fields' sizes. The same run every time.
class TestVekReplyMutation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void mutatedRepliesAreReadSafely();

private:
    static QByteArray mutate(QRandomGenerator &random, const QByteArray &seed);
    static void quiet(QtMsgType, const QMessageLogContext &, const QString &);
};

void TestVekReplyMutation::initTestCase()
{
    registerAxMetaTypes();
}

void TestVekReplyMutation::cleanupTestCase()
{
    qInstallMessageHandler(nullptr);
}

// Dropped frames are logged; thousands of them would bury the test's output.
void TestVekReplyMutation::quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

QByteArray TestVekReplyMutation::mutate(QRandomGenerator &random, const QByteArray &seed)
{
    QByteArray frame = seed;
    const int edits = 1 + random.bounded(6);
    for (int e = 0; e < edits; ++e) {
        switch (random.bounded(6)) {
        case 0:   // flip bytes
            for (int i = random.bounded(8); i >= 0 && !frame.isEmpty(); --i)
                frame[random.bounded(int(frame.size()))] = char(random.bounded(256));
            break;
        case 1:   // cut short
            frame.truncate(random.bounded(int(frame.size()) + 1));
            break;
        case 2:   // grow
            for (int i = random.bounded(400); i > 0; --i)
                frame.append(char(random.bounded(256)));
            break;
        case 3:   // lie in a length field: IPv4 total, UDP, KOV data
            if (frame.size() >= 48) {
                const int fields[] = {16, 38, 46};
                qToBigEndian<quint16>(quint16(random.bounded(0x10000)), frame.data() + fields[random.bounded(3)]);
            }
            break;
        case 4:   // a header byte the readers branch on
            if (frame.size() >= 46) {
                const int places[] = {12, 13, 14, 23, 34, 35, 42, 43, 44, 45};
                frame[places[random.bounded(10)]] = char(random.bounded(256));
            }
            break;
        default:   // no zero byte anywhere in a text
            for (int i = 44; i < frame.size() && i < 236; ++i)
                frame[i] = frame.at(i) == '\0' ? 'x' : frame.at(i);
            break;
        }
    }
    return frame;
}

void TestVekReplyMutation::mutatedRepliesAreReadSafely()
{
    ReplyFrames::Iam longReply;
    longReply.frameSize = 238;
    longReply.platformName = "AX-K700";
    QByteArray json = ReplyFrames::udpFrame(QByteArray(6, '\xFF'), QByteArray::fromHex("0050C2AA0001"), 1, 2,
                                            40, 82, 1025);
    json.replace(42, 32, "{\"result\":{\"Status\":\"Success\"}}");
    const QList<QByteArray> seeds = {
        ReplyFrames::iam(ReplyFrames::Iam()),
        ReplyFrames::iam(longReply),
        ReplyFrames::kov(":7<N"),
        ReplyFrames::kov(QByteArray(":7<\x04", 4)),
        ReplyFrames::kov(QByteArray(":7/\xB6\x02\x00\x20\x04", 8)),
        ReplyFrames::kov(QByteArray(":7/\x38\x0C\x00", 6) + QByteArray(12, 'd')),
        json,
    };

    const Adapter adapter(QHostAddress("192.168.1.10"), QHostAddress("255.255.255.0"), "axnosuchif0", "",
                          "02:00:0A:4D:00:01");
    AxSignalObject root(nullptr);
    VekComm vek(nullptr, &root, &adapter, QHostAddress("255.255.255.255"));
    int accepted = 0;
    connect(&vek, &VekComm::vekIamReceived, this, [&accepted](const ArdentixDevice &device) {
        ++accepted;
        QVERIFY(device.configTitle.size() <= 39);
        QVERIFY(device.firmwareVersion.size() <= 39);
        QVERIFY(device.rebootTime.size() <= 39);
        QVERIFY(device.deviceTag.size() <= 8);
    });

    QRandomGenerator random(20261209);
    qInstallMessageHandler(quiet);
    for (int round = 0; round < 20000; ++round) {
        const QByteArray frame = mutate(random, seeds.at(round % seeds.size()));
        QMetaObject::invokeMethod(&vek, "processVekPacket", Q_ARG(QByteArray, frame));

        ArdentixDevice device;
        VekIamReply::read(VekFrame(frame), adapter, QHostAddress("255.255.255.255"), device);

        const QByteArray payload = frame.mid(42);
        unsigned char segment[468];
        unsigned char value[4];
        KovMessage::parseKovDataReply(payload, segment, sizeof segment);
        KovMessage::parseKovValueReply(payload, value, sizeof value, 0xA5);
        KovMessage::parseKovValueReply(payload, value, 0, 0xA5);
    }
    qInstallMessageHandler(nullptr);
    // Some damaged replies stay readable; the run must have exercised the accepting path too.
    QVERIFY2(accepted > 50, qPrintable(QString::number(accepted)));
}

QTEST_GUILESS_MAIN(TestVekReplyMutation)
#include "tst_vekreplymutation.moc"
