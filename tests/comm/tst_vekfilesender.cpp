// The VEK file send machine, driven by hand-made device replies, with short
// waits in place of the 6 s and 30 s ones.
#include "comm/vek/kovmessage.h"
#include "comm/vek/vekfilesender.h"
#include "comm/vek/vekframe.h"
#include "model/netutils.h"

#include "testsandbox.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

namespace {

const QString DeviceMac = "02:00:0A:4D:00:02";
const QString OtherMac = "02:00:0A:4D:00:09";
const QString PcMac = "02:00:0A:4D:00:01";
const QString Broadcast = "FF:FF:FF:FF:FF:FF";
const int Step = 150;
const int Completion = 300;
// How long a test waits for a time-out to come: a busy machine runs timers late.
const int Patience = 30000;

QByteArray macBytes(const QString &text)
{
    unsigned char bytes[6] = {};
    parseMacString(text, bytes);
    return QByteArray(reinterpret_cast<const char *>(bytes), 6);
}

// An Ethernet/IPv4/UDP frame from source port 1024, padded to 60 bytes as the wire does.
QByteArray frame(const QByteArray &payload, const QString &from = DeviceMac, const QString &to = Broadcast)
{
    QByteArray bytes = macBytes(to) + macBytes(from) + QByteArray("\x08\x00", 2);
    QByteArray ip(20, '\0');
    ip[0] = 0x45;
    ip[9] = 17;
    bytes += ip;
    QByteArray udp(8, '\0');
    qToBigEndian<quint16>(1024, udp.data());
    qToBigEndian<quint16>(quint16(8 + payload.size()), udp.data() + 4);
    bytes += udp + payload;
    if (bytes.size() < 60)
        bytes.append(QByteArray(60 - bytes.size(), '\0'));
    return bytes;
}

QByteArray status(quint8 code)
{
    return QByteArray(":7<") + char(code);
}

QByteArray valueReply(quint8 command, quint32 value)
{
    QByteArray reply = QByteArray(":7/") + char(command) + QByteArray("\x04\x00", 2);
    QByteArray number(4, '\0');
    qToLittleEndian(value, number.data());
    return reply + number;
}

ArdentixDevice target(const QString &platform = "AX-K500-11")
{
    ArdentixDevice device;
    device.setMacString(DeviceMac);
    device.devicePlatform = platform;
    device.ipAddress = QHostAddress("10.77.0.2");
    return device;
}

QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + 3) & 0xFF);
    return bytes;
}

// Records what the machine sends and reports.
struct Probe
{
    explicit Probe(VekFileSender *sender)
        : requests(sender, &VekFileSender::kovRequest)
        , reports(sender, &VekFileSender::fileSendReport)
        , finished(sender, &VekFileSender::finished)
    {
    }

    quint8 lastCommand() const { return quint8(requests.last().at(0).toByteArray().at(5)); }
    QByteArray lastData() const { return requests.last().at(0).toByteArray().mid(8).chopped(2); }
    QList<quint8> commands() const
    {
        QList<quint8> codes;
        for (const QList<QVariant> &request : requests)
            codes << quint8(request.at(0).toByteArray().at(5));
        return codes;
    }
    QList<int> states() const
    {
        QList<int> result;
        for (const QList<QVariant> &report : reports)
            result << report.at(1).value<FILE_TRANSFER_STATE>();
        return result;
    }

    QSignalSpy requests;
    QSignalSpy reports;
    QSignalSpy finished;
};

} // namespace

class TestVekFileSender : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void segmentsCoverTheFile_data();
    void segmentsCoverTheFile();
    void freeSpaceDecidesTheWay_data();
    void freeSpaceDecidesTheWay();
    void unknownFreeSpaceEndsByTimeOut();
    void refusedStartAsksForThePassword();
    void passwordIsScrambledIntoTheStart();
    void repliesToThePcMacCountOnlyForTwoPlatforms();
    void refusedSegmentsAreRetriedFiveTimes();
    void unansweredSegmentsAreRetriedThenFail();
    void checksumErrorAborts();
    void unansweredCompletionFailsOnce();
    void refusedCompletionIsNotReportedSent_data();
    void refusedCompletionIsNotReportedSent();
    void unreadableFileIsReportedAndMovesOn();
    void newSendReplacesARunningOne();

private:
    QString writeFile(const QString &name, const QByteArray &bytes);
    // Answers the size announcement, the free space, the overwrite flag and the start.
    void openDownload(VekFileSender &sender, Probe &probe, int fileSize);

    TestSandbox *sandbox = nullptr;
};

void TestVekFileSender::init()
{
    sandbox = new TestSandbox;
    QVERIFY(sandbox->isValid());
}

void TestVekFileSender::cleanup()
{
    delete sandbox;
    sandbox = nullptr;
}

QString TestVekFileSender::writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(sandbox->filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return file.fileName();
}

void TestVekFileSender::openDownload(VekFileSender &sender, Probe &probe, int fileSize)
{
    QCOMPARE(probe.lastCommand(), quint8(KOV_GET_DISK_SPACE));
    QVERIFY(sender.processFrame(VekFrame(frame(valueReply(KOV_GET_DISK_SPACE, quint32(fileSize) + 5000)))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_SET_OVERWRITE_FLAG));
    QCOMPARE(probe.lastData(), QByteArray(1, '\x01'));
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_DOWNLOAD_START));
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
}

void TestVekFileSender::segmentsCoverTheFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<float>>("progress");
    QTest::newRow("empty") << 0 << QList<float>({100.0f});
    QTest::newRow("one byte") << 1 << QList<float>({100.0f});
    QTest::newRow("one segment") << 450 << QList<float>({100.0f});
    QTest::newRow("one segment and a byte") << 451 << QList<float>({450.0f / 451.0f * 100.0f, 100.0f});
    QTest::newRow("1000 bytes") << 1000 << QList<float>({45.0f, 90.0f, 100.0f});
}

void TestVekFileSender::segmentsCoverTheFile()
{
    QFETCH(int, size);
    QFETCH(QList<float>, progress);
    const QByteArray contents = pattern(size);
    const QString path = writeFile("file.bin", contents);
    VekFileSender sender(Step, Completion);
    Probe probe(&sender);

    sender.sendFile(path, "remote.bin", target());
    QVERIFY(sender.isActive());
    openDownload(sender, probe, size);

    QByteArray received;
    QList<float> reported;
    while (probe.lastCommand() == KOV_DOWNLOAD_SEGMENT) {
        const QByteArray segment = probe.lastData();
        QCOMPARE(segment.size(), 468);
        const quint32 offset = qFromLittleEndian<quint32>(segment.constData());
        const int length = qFromLittleEndian<quint16>(segment.constData() + 4);
        QCOMPARE(offset, quint32(received.size()));
        QVERIFY(length <= 450);
        // The standard Modbus value, high byte first, over all 450 data bytes.
        const quint16 crc = crc16Modbus(reinterpret_cast<const unsigned char *>(segment.constData() + 8), 450);
        QCOMPARE(qFromLittleEndian<quint16>(segment.constData() + 6), crc);
        QCOMPARE(segment.mid(8 + length, 450 - length), QByteArray(450 - length, '\0'));
        received += segment.mid(8, length);
        const int reportsBefore = probe.reports.size();
        QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
        for (int i = reportsBefore; i < probe.reports.size(); ++i)
            reported << probe.reports.at(i).at(2).toFloat();
    }
    QCOMPARE(received, contents);
    QCOMPARE(reported, progress);
    QCOMPARE(probe.lastCommand(), quint8(KOV_DOWNLOAD_COMPLETE));
    QVERIFY(probe.finished.isEmpty());

    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
    QCOMPARE(probe.states().last(), int(FILE_TRANSFER_COMPLETE));
    QCOMPARE(probe.reports.last().at(0).toString(), path);
    QCOMPARE(probe.reports.last().at(3).value<ArdentixDevice>().macAddress, DeviceMac);
    QCOMPARE(probe.finished.size(), 1);
    QVERIFY(!sender.isActive());
    QVERIFY(!sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
}

void TestVekFileSender::freeSpaceDecidesTheWay_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<quint32>("free");
    QTest::addColumn<quint32>("existing");   // 0: not asked
    QTest::addColumn<bool>("overwrites");
    QTest::newRow("room") << "AX-K500-11" << 2000u << 0u << true;
    QTest::newRow("exactly room") << "AX-K500-11" << 1000u << 0u << true;
    QTest::newRow("replacing frees enough") << "AX-K500-11" << 500u << 600u << true;
    QTest::newRow("replacing frees just too little") << "AX-K500-11" << 500u << 500u << false;
    QTest::newRow("no such file to replace") << "AX-K500-11" << 500u << 0xFFFFFFFFu << false;
    QTest::newRow("reserve, exactly room") << "AX-K700" << 2024u << 0u << true;
    QTest::newRow("reserve, a byte short") << "AX-V60" << 2023u << 1100u << true;
    QTest::newRow("reserve, replacing too little") << "AX-V60" << 2023u << 1u << false;
}

void TestVekFileSender::freeSpaceDecidesTheWay()
{
    QFETCH(QString, platform);
    QFETCH(quint32, free);
    QFETCH(quint32, existing);
    QFETCH(bool, overwrites);
    const QString path = writeFile("file.bin", pattern(1000));
    ArdentixDevice device = target(platform);
    device.vekNetSupport = VEK_NET_SUPPORTED;
    VekFileSender sender(Step, Completion);
    Probe probe(&sender);

    sender.sendFile(path, "remote.bin", device);
    QCOMPARE(probe.lastCommand(), quint8(KOV_SET_INCOMING_FILESIZE));
    QCOMPARE(probe.lastData(), QByteArray("\x00\x00\x03\xE8\x00\x00\x00\x00", 8));
    QVERIFY(!sender.processFrame(VekFrame(frame(status(KOV_NAK)))));
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_GET_DISK_SPACE));
    QVERIFY(!sender.processFrame(VekFrame(frame(valueReply(KOV_GET_FILE_SIZE, free)))));
    QVERIFY(sender.processFrame(VekFrame(frame(valueReply(KOV_GET_DISK_SPACE, free)))));
    if (existing != 0) {
        QCOMPARE(probe.lastCommand(), quint8(KOV_GET_FILE_SIZE));
        QCOMPARE(probe.lastData(), QByteArray("remote.bin") + QByteArray(190, '\0'));
        QVERIFY(sender.processFrame(VekFrame(frame(valueReply(KOV_GET_FILE_SIZE, existing)))));
    }
    QCOMPARE(probe.lastCommand(), quint8(overwrites ? KOV_SET_OVERWRITE_FLAG : KOV_DOWNLOAD_ABORT));
    if (!overwrites) {
        QVERIFY(probe.reports.isEmpty());
        QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
        QCOMPARE(probe.states(), QList<int>({FILE_TRANSFER_FAILED}));
        QCOMPARE(probe.finished.size(), 1);
    }
}

void TestVekFileSender::unknownFreeSpaceEndsByTimeOut()
{
    const QString path = writeFile("file.bin", pattern(10));
    VekFileSender sender(Step, Completion);
    Probe probe(&sender);
    sender.sendFile(path, "remote.bin", target());
    QVERIFY(sender.processFrame(VekFrame(frame(valueReply(KOV_GET_DISK_SPACE, 0xFFFFFFFF)))));
    QCOMPARE(probe.requests.size(), 1);

    QVERIFY(probe.finished.wait(Patience));
    QCOMPARE(probe.states(), QList<int>({FILE_TRANSFER_FAILED}));
    QCOMPARE(probe.finished.size(), 1);
    QVERIFY(!sender.isActive());
}

void TestVekFileSender::refusedStartAsksForThePassword()
{
    const QString path = writeFile("file.bin", pattern(10));
    for (const QString &user : {QString(), QString("admin")}) {
        ArdentixDevice device = target();
        device.username = user;
        device.password = "pw";
        VekFileSender sender(Step, Completion);
        Probe probe(&sender);
        sender.sendFile(path, "remote.bin", device);
        QVERIFY(sender.processFrame(VekFrame(frame(valueReply(KOV_GET_DISK_SPACE, 5000)))));
        QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
        QCOMPARE(probe.lastCommand(), quint8(user.isEmpty() ? KOV_DOWNLOAD_START : KOV_DOWNLOAD_START_WITH_PASSWORD));
        QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_NAK)))));
        QCOMPARE(probe.lastCommand(), quint8(KOV_DOWNLOAD_ABORT));
        QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
        QCOMPARE(probe.states(), QList<int>({FILE_TRANSFER_AUTH_REQUIRED}));
        QCOMPARE(probe.finished.size(), 1);
    }
}

void TestVekFileSender::passwordIsScrambledIntoTheStart()
{
    const QString path = writeFile("file.bin", pattern(10));
    ArdentixDevice device = target();
    device.username = "admin";
    device.password = "a very long password!";
    VekFileSender sender(Step, Completion);
    Probe probe(&sender);
    sender.sendFile(path, "remote.bin", device);
    QVERIFY(sender.processFrame(VekFrame(frame(valueReply(KOV_GET_DISK_SPACE, 5000)))));
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
    const QByteArray start = probe.lastData();
    QCOMPARE(start.size(), 60);
    QCOMPARE(start.left(40), QByteArray("remote.bin") + QByteArray(30, '\0'));
    QCOMPARE(start.mid(40), KovMessage::scramblePassword(device.password).left(20).toLatin1());

    // A device error on the start aborts and fails the send.
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ERROR)))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_DOWNLOAD_ABORT));
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
    QCOMPARE(probe.states(), QList<int>({FILE_TRANSFER_FAILED}));
}

void TestVekFileSender::repliesToThePcMacCountOnlyForTwoPlatforms()
{
    const QString path = writeFile("file.bin", pattern(10));
    for (const QString &platform : {QString("AX-K500-11"), QString("AX-K700"), QString("x AX-V60 y")}) {
        VekFileSender sender(Step, Completion);
        Probe probe(&sender);
        sender.sendFile(path, "remote.bin", target(platform));
        const bool takesDirect = platform != "AX-K500-11";
        QCOMPARE(sender.processFrame(VekFrame(frame(valueReply(KOV_GET_DISK_SPACE, 0), DeviceMac, PcMac))),
                 takesDirect);
        QVERIFY(!sender.processFrame(VekFrame(frame(valueReply(KOV_GET_DISK_SPACE, 0), OtherMac))));
        QCOMPARE(probe.requests.size(), takesDirect ? 2 : 1);
    }
}

void TestVekFileSender::refusedSegmentsAreRetriedFiveTimes()
{
    const QString path = writeFile("file.bin", pattern(900));
    VekFileSender sender(Step, Completion);
    Probe probe(&sender);
    sender.sendFile(path, "remote.bin", target());
    openDownload(sender, probe, 900);

    const QByteArray first = probe.lastData();
    for (int i = 0; i < 5; ++i) {
        QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_NAK)))));
        QCOMPARE(probe.lastData(), first);
    }
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
    QCOMPARE(qFromLittleEndian<quint32>(probe.lastData().constData()), 450u);

    // Retries count again per segment: six refusals of the second abort the send.
    for (int i = 0; i < 6; ++i)
        QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_NAK)))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_DOWNLOAD_ABORT));
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
    QCOMPARE(probe.states().last(), int(FILE_TRANSFER_FAILED));
    QCOMPARE(probe.finished.size(), 1);
}

void TestVekFileSender::unansweredSegmentsAreRetriedThenFail()
{
    const QString path = writeFile("file.bin", pattern(10));
    VekFileSender sender(Step, Completion);
    Probe probe(&sender);
    sender.sendFile(path, "remote.bin", target());
    openDownload(sender, probe, 10);
    const int before = probe.requests.size();

    QVERIFY(probe.finished.wait(Patience));
    QCOMPARE(probe.requests.size() - before, 5);
    QCOMPARE(probe.commands().mid(before), QList<quint8>(5, KOV_DOWNLOAD_SEGMENT));
    QCOMPARE(probe.states(), QList<int>({FILE_TRANSFER_FAILED}));
    QTest::qWait(Step * 2);
    QCOMPARE(probe.finished.size(), 1);
    QCOMPARE(probe.reports.size(), 1);
}

void TestVekFileSender::checksumErrorAborts()
{
    const QString path = writeFile("file.bin", pattern(10));
    VekFileSender sender(Step, Completion);
    Probe probe(&sender);
    sender.sendFile(path, "remote.bin", target());
    openDownload(sender, probe, 10);
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_CHECKSUM_ERROR)))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_DOWNLOAD_ABORT));
    // No answer to the abort: the time-out ends it, reported once.
    QVERIFY(probe.finished.wait(Patience));
    QCOMPARE(probe.states(), QList<int>({FILE_TRANSFER_FAILED}));
}

void TestVekFileSender::unansweredCompletionFailsOnce()
{
    const QString path = writeFile("file.bin", pattern(10));
    VekFileSender sender(Step, Completion);
    Probe probe(&sender);
    sender.sendFile(path, "remote.bin", target());
    openDownload(sender, probe, 10);
    QElapsedTimer sinceCompletion;
    sinceCompletion.start();
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_DOWNLOAD_COMPLETE));

    // The completion gets the longer wait.
    QVERIFY(probe.finished.wait(Patience));
    QVERIFY2(sinceCompletion.elapsed() >= Step * 3 / 2, qPrintable(QString::number(sinceCompletion.elapsed())));
    QCOMPARE(probe.states(), QList<int>({FILE_TRANSFER_IN_PROGRESS, FILE_TRANSFER_FAILED}));
    QCOMPARE(probe.finished.size(), 1);
}

void TestVekFileSender::refusedCompletionIsNotReportedSent_data()
{
    QTest::addColumn<quint8>("answer");
    QTest::addColumn<int>("outcome");
    QTest::newRow("refused") << quint8(KOV_NAK) << int(FILE_TRANSFER_FAILED);
    QTest::newRow("error") << quint8(KOV_ERROR) << int(FILE_TRANSFER_FAILED);
    QTest::newRow("checksum error") << quint8(KOV_CHECKSUM_ERROR) << int(FILE_TRANSFER_FAILED);
    QTest::newRow("other status") << quint8('X') << int(FILE_TRANSFER_COMPLETE);
}

void TestVekFileSender::refusedCompletionIsNotReportedSent()
{
    QFETCH(quint8, answer);
    QFETCH(int, outcome);
    const QString path = writeFile("file.bin", pattern(10));
    VekFileSender sender(Step, Completion);
    Probe probe(&sender);
    sender.sendFile(path, "remote.bin", target());
    openDownload(sender, probe, 10);
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
    QCOMPARE(probe.lastCommand(), quint8(KOV_DOWNLOAD_COMPLETE));
    QVERIFY(sender.processFrame(VekFrame(frame(status(answer)))));
    QCOMPARE(probe.states(), QList<int>({FILE_TRANSFER_IN_PROGRESS, outcome}));
    QCOMPARE(probe.finished.size(), 1);
}

void TestVekFileSender::unreadableFileIsReportedAndMovesOn()
{
    VekFileSender sender(Step, Completion);
    Probe probe(&sender);
    QSignalSpy errors(&sender, &VekFileSender::fileSendError);
    sender.sendFile(sandbox->filePath("missing.bin"), "remote.bin", target());
    QVERIFY(!sender.isActive());
    QVERIFY(probe.reports.isEmpty());   // the caller hears of it once it has returned
    QVERIFY(probe.finished.wait(Patience));
    QVERIFY(probe.requests.isEmpty());
    QCOMPARE(probe.states(), QList<int>({FILE_TRANSFER_FAILED}));
    QCOMPARE(probe.reports.first().at(0).toString(), sandbox->filePath("missing.bin"));
    QCOMPARE(probe.finished.size(), 1);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.first().at(0).toString(), QStringLiteral("Error reading file!"));
    QCOMPARE(errors.first().at(1).toString(), " Could not open file: " + sandbox->filePath("missing.bin"));
}

void TestVekFileSender::newSendReplacesARunningOne()
{
    const QString first = writeFile("first.bin", pattern(10));
    const QString second = writeFile("second.bin", pattern(20));
    VekFileSender sender(Step, Completion);
    Probe probe(&sender);
    sender.sendFile(first, "first.bin", target());
    sender.sendFile(second, "second.bin", target());
    QCOMPARE(probe.reports.size(), 1);
    QCOMPARE(probe.reports.first().at(0).toString(), first);
    QCOMPARE(probe.states(), QList<int>({FILE_TRANSFER_FAILED}));
    QVERIFY(probe.finished.isEmpty());   // the caller that replaced it runs its own queue

    openDownload(sender, probe, 20);
    QVERIFY(sender.processFrame(VekFrame(frame(status(KOV_ACK)))));
    // An identification reply answers the completion as well as any frame would.
    QByteArray identification(192, '\0');
    identification[0] = 0x06;
    QVERIFY(sender.processFrame(VekFrame(frame(identification))));
    QCOMPARE(probe.reports.last().at(0).toString(), second);
    QCOMPARE(probe.states().last(), int(FILE_TRANSFER_COMPLETE));
    QCOMPARE(probe.finished.size(), 1);
}

QTEST_GUILESS_MAIN(TestVekFileSender)
#include "tst_vekfilesender.moc"
