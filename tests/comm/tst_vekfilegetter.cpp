// The VEK file get machine, driven by hand-made device replies (hostile ones
// included), with a short wait in place of the 6 s one.
#include "comm/vek/kovmessage.h"
#include "comm/vek/vekfilegetter.h"
#include "comm/vek/vekframe.h"
#include "model/netutils.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

namespace {

const QString DeviceMac = "02:00:0A:4D:00:02";
const QString PcMac = "02:00:0A:4D:00:01";
const int Step = 150;
// How long a test waits for a time-out to come: a busy machine runs timers late.
const int Patience = 30000;

QByteArray macBytes(const QString &text)
{
    unsigned char bytes[6] = {};
    parseMacString(text, bytes);
    return QByteArray(reinterpret_cast<const char *>(bytes), 6);
}

// An Ethernet/IPv4/UDP frame from source port 1024, padded to 60 bytes as the wire does.
QByteArray frame(const QByteArray &payload, const QString &from = DeviceMac)
{
    QByteArray bytes = macBytes(PcMac) + macBytes(from) + QByteArray("\x08\x00", 2);
    QByteArray ip(20, '\0');
    ip[0] = 0x45;
    ip[9] = 17;
    QByteArray udp(8, '\0');
    qToBigEndian<quint16>(1024, udp.data());
    bytes += ip + udp + payload;
    if (bytes.size() < 60)
        bytes.append(QByteArray(60 - bytes.size(), '\0'));
    return bytes;
}

QByteArray status(quint8 code)
{
    return QByteArray(":7<") + char(code);
}

QByteArray dataReply(quint8 command, const QByteArray &data, int lengthField = -1)
{
    QByteArray reply = QByteArray(":7/") + char(command) + QByteArray(2, '\0');
    qToLittleEndian<quint16>(quint16(lengthField < 0 ? data.size() : lengthField), reply.data() + 4);
    return reply + data;
}

QByteArray sizeReply(quint32 size)
{
    QByteArray value(4, '\0');
    qToLittleEndian(size, value.data());
    return dataReply(KOV_GET_FILE_SIZE, value);
}

// A 468-byte segment as the device sends it: offset, length, CRC, 450 data bytes, 10 zeros.
QByteArray piece(quint32 offset, const QByteArray &bytes, int lengthField = -1)
{
    QByteArray segment(468, '\0');
    qToLittleEndian(offset, segment.data());
    qToLittleEndian<quint16>(quint16(lengthField < 0 ? bytes.size() : lengthField), segment.data() + 4);
    segment.replace(8, qMin<int>(bytes.size(), 450), bytes.left(450));
    return dataReply(KOV_UPLOAD_SEGMENT, segment);
}

QByteArray pattern(int size, int seed = 0)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 13 + seed) & 0xFF);
    return bytes;
}

ArdentixDevice source()
{
    ArdentixDevice device;
    device.setMacString(DeviceMac);
    return device;
}

struct Probe
{
    explicit Probe(VekFileGetter *getter)
        : requests(getter, &VekFileGetter::kovRequest)
        , results(getter, &VekFileGetter::fileReceived)
    {
    }

    quint8 lastCommand() const { return quint8(requests.last().at(0).toByteArray().at(5)); }
    QByteArray lastData() const { return requests.last().at(0).toByteArray().mid(8).chopped(2); }
    // The last piece request as (offset, length).
    QPair<quint32, int> lastRequest() const
    {
        const QByteArray data = lastData();
        return {qFromLittleEndian<quint32>(data.constData()), qFromLittleEndian<quint16>(data.constData() + 4)};
    }

    QSignalSpy requests;
    QSignalSpy results;
};

} // namespace

class TestVekFileGetter : public QObject
{
    Q_OBJECT

private slots:
    void piecesAreAskedInOrder_data();
    void piecesAreAskedInOrder();
    void hostilePiecesAreNotTaken_data();
    void hostilePiecesAreNotTaken();
    void mutatedRepliesNeverBreakTheMachine();
    void missingFileFailsAtOnce();
    void fileOfTheLimitComesWholeALargerOneFails();
    void refusedStartFailsOnce();
    void unansweredCompletionStaysASuccess();
    void timeOutMidwayDropsThePart();
    void emptyPiecesDoNotHoldTheTimeOutOff();
    void newGetReplacesARunningOne();

private:
    // Asks for the file and answers the size and the upload start.
    void openUpload(VekFileGetter &getter, Probe &probe, quint32 size);
};

void TestVekFileGetter::openUpload(VekFileGetter &getter, Probe &probe, quint32 size)
{
    getter.getFile("log.txt", source());
    QCOMPARE(probe.lastCommand(), quint8(KOV_GET_FILE_SIZE));
    QCOMPARE(probe.lastData(), QByteArray("log.txt") + QByteArray(193, '\0'));
    QVERIFY(!getter.processFrame(VekFrame(frame(sizeReply(size), PcMac))));
    QVERIFY(getter.processFrame(VekFrame(frame(sizeReply(size)))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_UPLOAD_START));
    QVERIFY(getter.processFrame(VekFrame(frame(status(KOV_ACK)))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_UPLOAD_SEGMENT));
    QCOMPARE(probe.lastRequest(), qMakePair(0u, 450));
}

void TestVekFileGetter::piecesAreAskedInOrder_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("asked");   // the length of every request after the first
    QTest::newRow("empty") << 0 << QList<int>();
    QTest::newRow("one byte") << 1 << QList<int>();
    QTest::newRow("one piece") << 450 << QList<int>();
    QTest::newRow("one piece and a byte") << 451 << QList<int>({1});
    QTest::newRow("1000 bytes") << 1000 << QList<int>({450, 100});
}

void TestVekFileGetter::piecesAreAskedInOrder()
{
    QFETCH(int, size);
    QFETCH(QList<int>, asked);
    const QByteArray file = pattern(size);
    VekFileGetter getter(Step);
    Probe probe(&getter);
    openUpload(getter, probe, quint32(size));

    QList<int> lengths;
    while (probe.lastCommand() == KOV_UPLOAD_SEGMENT) {
        const auto [offset, length] = probe.lastRequest();
        if (offset > 0)
            lengths << length;
        QVERIFY(getter.processFrame(VekFrame(frame(piece(offset, file.mid(offset, length))))));
    }
    QCOMPARE(lengths, asked);
    QCOMPARE(probe.lastCommand(), quint8(KOV_UPLOAD_COMPLETE));
    QCOMPARE(probe.results.size(), 1);
    QCOMPARE(probe.results.first().at(0).toString(), QString("log.txt"));
    QCOMPARE(probe.results.first().at(1).toByteArray(), file);
    QCOMPARE(probe.results.first().at(2).toBool(), true);
    QVERIFY(getter.processFrame(VekFrame(frame(status(KOV_ACK)))));
    QVERIFY(!getter.isActive());
}

void TestVekFileGetter::hostilePiecesAreNotTaken_data()
{
    QTest::addColumn<QByteArray>("reply");
    const QByteArray bytes = pattern(450, 1);
    QTest::newRow("length above 450") << piece(0, bytes, 451);
    QTest::newRow("negative length") << piece(0, bytes, 0xFFFF);
    QTest::newRow("wrong offset") << piece(450, bytes);
    QTest::newRow("piece longer than its reply") << dataReply(KOV_UPLOAD_SEGMENT, piece(0, bytes).mid(6, 108));
    QTest::newRow("reply longer than the frame") << piece(0, bytes).left(300);
    QTest::newRow("reply longer than a segment") << dataReply(KOV_UPLOAD_SEGMENT, piece(0, bytes).mid(6) + QByteArray(100, 'x'));
    QTest::newRow("reply without a piece header") << dataReply(KOV_UPLOAD_SEGMENT, QByteArray(4, '\0'));
    QTest::newRow("a status instead of a piece") << status(KOV_ACK);
    QTest::newRow("truncated reply") << QByteArray(":7/");
}

void TestVekFileGetter::hostilePiecesAreNotTaken()
{
    QFETCH(QByteArray, reply);
    const QByteArray file = pattern(1000, 1);
    VekFileGetter getter(Step);
    Probe probe(&getter);
    openUpload(getter, probe, 1000);
    const int requests = probe.requests.size();

    QVERIFY(!getter.processFrame(VekFrame(frame(reply))));
    QCOMPARE(probe.requests.size(), requests);
    QVERIFY(probe.results.isEmpty());

    // A good piece afterwards is taken as if nothing had happened.
    QVERIFY(getter.processFrame(VekFrame(frame(piece(0, file.left(450))))));
    QCOMPARE(probe.lastRequest(), qMakePair(450u, 450));
    // More than asked for: only what was asked for becomes part of the file.
    QVERIFY(getter.processFrame(VekFrame(frame(piece(450, file.mid(450, 450))))));
    QVERIFY(getter.processFrame(VekFrame(frame(piece(900, file.mid(900) + "trailing junk")))));
    QCOMPARE(probe.results.size(), 1);
    QCOMPARE(probe.results.first().at(1).toByteArray(), file);
}

void TestVekFileGetter::mutatedRepliesNeverBreakTheMachine()
{
    // Thousands of damaged pieces from a fixed seed: none may be read past its
    // frame, and the file grows only by pieces that fit where they claim to be.
    QRandomGenerator random(2024);
    const QByteArray good = piece(0, pattern(450, 2));
    VekFileGetter getter(60000);
    Probe probe(&getter);
    openUpload(getter, probe, VekFileGetter::MaxFileSize);
    for (int i = 0; i < 5000; ++i) {
        QByteArray reply = good.left(int(random.bounded(good.size() + 1)));
        for (int flips = int(random.bounded(4)); flips >= 0 && !reply.isEmpty(); --flips)
            reply[int(random.bounded(reply.size()))] = char(random.bounded(256));
        const quint32 before = probe.lastRequest().first;
        const bool taken = getter.processFrame(VekFrame(frame(reply)));
        const quint32 after = probe.lastRequest().first;
        QVERIFY(after - before <= 450);
        QVERIFY(taken || after == before);
    }
    QVERIFY(probe.results.isEmpty());
}

void TestVekFileGetter::missingFileFailsAtOnce()
{
    VekFileGetter getter(Step);
    Probe probe(&getter);
    getter.getFile("none.txt", source());
    QVERIFY(getter.processFrame(VekFrame(frame(sizeReply(0xFFFFFFFF)))));
    QCOMPARE(probe.requests.size(), 1);
    QCOMPARE(probe.results.size(), 1);
    QCOMPARE(probe.results.first().at(2).toBool(), false);
    QVERIFY(!getter.isActive());
    QTest::qWait(Step * 2);
    QCOMPARE(probe.results.size(), 1);
}

void TestVekFileGetter::fileOfTheLimitComesWholeALargerOneFails()
{
    VekFileGetter getter(Step);
    Probe probe(&getter);
    getter.getFile("huge.bin", source());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("huge.bin.* 8388609 bytes, more than"));
    QVERIFY(getter.processFrame(VekFrame(frame(sizeReply(VekFileGetter::MaxFileSize + 1)))));
    QCOMPARE(probe.requests.size(), 1);
    QCOMPARE(probe.results.size(), 1);
    QCOMPARE(probe.results.first().at(2).toBool(), false);
    QVERIFY(!getter.isActive());

    const QByteArray file = pattern(VekFileGetter::MaxFileSize, 3);
    openUpload(getter, probe, quint32(file.size()));
    while (probe.lastCommand() == KOV_UPLOAD_SEGMENT) {
        const auto [offset, length] = probe.lastRequest();
        QVERIFY(getter.processFrame(VekFrame(frame(piece(offset, file.mid(offset, length))))));
    }
    QCOMPARE(probe.results.size(), 2);
    QVERIFY(probe.results.last().at(1).toByteArray() == file);
    QCOMPARE(probe.results.last().at(2).toBool(), true);
}

void TestVekFileGetter::refusedStartFailsOnce()
{
    VekFileGetter getter(Step);
    Probe probe(&getter);
    getter.getFile("secret.txt", source());
    QVERIFY(getter.processFrame(VekFrame(frame(sizeReply(100)))));
    QVERIFY(getter.processFrame(VekFrame(frame(status(KOV_NAK)))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_UPLOAD_ABORT));
    QCOMPARE(probe.results.size(), 1);
    QCOMPARE(probe.results.first().at(2).toBool(), false);
    // The abort goes unanswered: the get ends without a second report.
    QTRY_VERIFY_WITH_TIMEOUT(!getter.isActive(), Patience);
    QCOMPARE(probe.results.size(), 1);
}

void TestVekFileGetter::unansweredCompletionStaysASuccess()
{
    VekFileGetter getter(Step);
    Probe probe(&getter);
    openUpload(getter, probe, 5);
    QVERIFY(getter.processFrame(VekFrame(frame(piece(0, "hello")))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_UPLOAD_COMPLETE));
    QTRY_VERIFY_WITH_TIMEOUT(!getter.isActive(), Patience);
    QCOMPARE(probe.results.size(), 1);
    QCOMPARE(probe.results.first().at(1).toByteArray(), QByteArray("hello"));
    QCOMPARE(probe.results.first().at(2).toBool(), true);
}

void TestVekFileGetter::timeOutMidwayDropsThePart()
{
    VekFileGetter getter(Step);
    Probe probe(&getter);
    openUpload(getter, probe, 1000);
    QVERIFY(getter.processFrame(VekFrame(frame(piece(0, pattern(450))))));
    QVERIFY(probe.results.wait(Patience));
    QCOMPARE(probe.results.first().at(1).toByteArray(), QByteArray());
    QCOMPARE(probe.results.first().at(2).toBool(), false);
    QVERIFY(!getter.isActive());
}

void TestVekFileGetter::emptyPiecesDoNotHoldTheTimeOutOff()
{
    VekFileGetter getter(Step);
    Probe probe(&getter);
    openUpload(getter, probe, 100);
    QElapsedTimer clock;
    clock.start();
    while (probe.results.isEmpty() && clock.elapsed() < Patience) {
        getter.processFrame(VekFrame(frame(piece(0, QByteArray()))));
        QTest::qWait(10);
    }
    QCOMPARE(probe.results.size(), 1);
    QCOMPARE(probe.results.first().at(2).toBool(), false);
}

void TestVekFileGetter::newGetReplacesARunningOne()
{
    VekFileGetter getter(Step);
    Probe probe(&getter);
    openUpload(getter, probe, 1000);
    getter.getFile("other.txt", source());
    QCOMPARE(probe.results.size(), 1);
    QCOMPARE(probe.results.first().at(0).toString(), QString("log.txt"));
    QCOMPARE(probe.results.first().at(2).toBool(), false);
    QCOMPARE(probe.lastCommand(), quint8(KOV_GET_FILE_SIZE));
    QVERIFY(getter.processFrame(VekFrame(frame(sizeReply(3)))));
    QVERIFY(getter.processFrame(VekFrame(frame(status(KOV_ACK)))));
    QVERIFY(getter.processFrame(VekFrame(frame(piece(0, "abc")))));
    QCOMPARE(probe.results.size(), 2);
    QCOMPARE(probe.results.last().at(0).toString(), QString("other.txt"));
    QCOMPARE(probe.results.last().at(1).toByteArray(), QByteArray("abc"));
}

QTEST_GUILESS_MAIN(TestVekFileGetter)
#include "tst_vekfilegetter.moc"
