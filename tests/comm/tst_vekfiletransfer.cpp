// VEK file send and get end to end: VekComm on its adapter in namespace A,
// the gateway emulator in namespace B storing and serving files, raw frames
// across the veth pair, results on the signal bus.
#include "comm/link/adapter.h"
#include "comm/link/adapterlist.h"
#include "comm/vek/vekcomm.h"

#include "model/ardentixdevice.h"

#include "commtestbed.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

const QString GatewayMac = "02:A0:00:00:00:01";

QByteArray pattern(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 29 + seed + i / 450) & 0xFF);
    return bytes;
}

} // namespace

class TestVekFileTransfer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void filesOfEverySizeMakeTheRoundTrip_data();
    void filesOfEverySizeMakeTheRoundTrip();
    void gatewayServesTheFilesItHolds();
    void refusedPasswordAsksForCredentials();
    void droppedSegmentAnswerIsRetried();
    void corruptedSegmentFailsOnlyItsSend();
    void damagedPieceFailsTheGetWithoutAPart();

private:
    // Starts the emulator in B with one gateway and finds it from A.
    bool startGateway(const QStringList &arguments);
    // Sends a file and waits for its end; the last state reported for it.
    FILE_TRANSFER_STATE send(const QString &localPath, const QString &remoteName, const ArdentixDevice &device,
                             int timeoutMs = 30000);
    // Fetches a file; its bytes, or a null array when the get failed.
    QByteArray fetch(const QString &remoteName, int timeoutMs = 30000);

    EmulatorProcess &emulator() { return m_bed->emulator(); }

    QScopedPointer<CommTestBed> m_bed;
    AdapterList *m_adapters = nullptr;
    VekComm *m_vek = nullptr;
    ArdentixDevice m_gateway;
};

void TestVekFileTransfer::cleanup()
{
    delete m_vek;
    m_vek = nullptr;
    delete m_adapters;
    m_adapters = nullptr;
    m_bed.reset();
}

void TestVekFileTransfer::init()
{
    m_bed.reset(new CommTestBed);
    AX_REQUIRE_TESTBED(*m_bed);
}

bool TestVekFileTransfer::startGateway(const QStringList &arguments)
{
    if (!m_bed->startEmulator(QStringList({"--base-mac", GatewayMac, "--base-ip", "10.77.0.100"}) + arguments))
        return false;
    m_adapters = new AdapterList;
    if (m_adapters->count() != 1) {
        qWarning() << "expected the one veth adapter in A, found" << m_adapters->count();
        return false;
    }
    m_vek = new VekComm(nullptr, &m_bed->root, m_adapters->adapter(0), QHostAddress(QHostAddress::Broadcast));
    m_vek->startListening();
    QSignalSpy found(m_vek, &VekComm::vekIamReceived);
    QTest::qWait(100);   // the capture thread is reading
    m_vek->vekPingBroadcast();
    if (!found.wait(5000)) {
        qWarning() << "the gateway did not answer discovery";
        return false;
    }
    m_gateway = found.first().at(0).value<ArdentixDevice>();
    return true;
}

FILE_TRANSFER_STATE TestVekFileTransfer::send(const QString &localPath, const QString &remoteName,
                                              const ArdentixDevice &device, int timeoutMs)
{
    QSignalSpy reports(&m_bed->root, &AxSignalObject::_signal_up_file_send_complete);
    QSignalSpy finished(m_vek, &VekComm::vek_file_send_finished);
    m_vek->sendFile(localPath, remoteName, device);
    if (!finished.wait(timeoutMs) || reports.isEmpty())
        return FILE_TRANSFER_IN_PROGRESS;
    QTest::qWait(50);
    if (finished.size() != 1) {
        qWarning() << "the send ended" << finished.size() << "times";
        return FILE_TRANSFER_IN_PROGRESS;
    }
    const QList<QVariant> last = reports.last();
    if (last.at(0).toString() != localPath)
        qWarning() << "the report names" << last.at(0).toString();
    return last.at(1).value<FILE_TRANSFER_STATE>();
}

QByteArray TestVekFileTransfer::fetch(const QString &remoteName, int timeoutMs)
{
    QSignalSpy received(&m_bed->root, &AxSignalObject::_signal_up_file_received);
    m_vek->getFile(remoteName, m_gateway);
    if (!received.wait(timeoutMs))
        return QByteArray();
    QTest::qWait(50);
    if (received.size() != 1 || received.first().at(0).toString() != remoteName) {
        qWarning() << "the get ended" << received.size() << "times";
        return QByteArray();
    }
    if (!received.first().at(2).toBool())
        return QByteArray();
    const QByteArray bytes = received.first().at(1).toByteArray();
    return bytes.isNull() ? QByteArray("") : bytes;   // an empty file is not a failure
}

void TestVekFileTransfer::filesOfEverySizeMakeTheRoundTrip_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("empty") << 0;
    QTest::newRow("one byte") << 1;
    QTest::newRow("exactly one segment") << 450;
    QTest::newRow("one segment and a byte") << 451;
    // A few hundred KB; every frame sent opens its own capture handle, which takes its time.
    QTest::newRow("200 KB") << 200 * 1024;
}

void TestVekFileTransfer::filesOfEverySizeMakeTheRoundTrip()
{
    QFETCH(int, size);
    QVERIFY(startGateway({}));

    const QByteArray contents = pattern(size, size % 251);
    QVERIFY(writeTestFile(m_bed->sandbox().filePath("local file.bin"), contents));
    QCOMPARE(send(m_bed->sandbox().filePath("local file.bin"), "stored.bin", m_gateway, 120000),
             FILE_TRANSFER_COMPLETE);
    const QByteArray fetched = fetch("stored.bin", 120000);
    QVERIFY(!fetched.isNull());
    QCOMPARE(fetched.size(), contents.size());
    QVERIFY(fetched == contents);
}

void TestVekFileTransfer::gatewayServesTheFilesItHolds()
{
    QDir().mkpath("held");
    const QByteArray log = pattern(2000, 7);
    QVERIFY(writeTestFile("held/dirlist.txt", log));
    QVERIFY(startGateway({"--device-files", m_bed->sandbox().filePath("held")}));

    QCOMPARE(fetch("dirlist.txt"), log);
    QSignalSpy received(&m_bed->root, &AxSignalObject::_signal_up_file_received);
    m_vek->getFile("missing.txt", m_gateway);
    QVERIFY(received.wait(5000));
    QCOMPARE(received.first().at(2).toBool(), false);
    QVERIFY(!emulator().findLine(QRegularExpression("^FILE 02:A0:00:00:00:01 a6 ")).isNull());
}

void TestVekFileTransfer::refusedPasswordAsksForCredentials()
{
    QVERIFY(startGateway({"--file-password", "s3cret pass"}));
    QVERIFY(writeTestFile("f.bin", pattern(900, 1)));

    QCOMPARE(send("f.bin", "f.bin", m_gateway), FILE_TRANSFER_AUTH_REQUIRED);
    ArdentixDevice withCredentials = m_gateway;
    withCredentials.username = "admin";
    withCredentials.password = "wrong";
    QCOMPARE(send("f.bin", "f.bin", withCredentials), FILE_TRANSFER_AUTH_REQUIRED);
    withCredentials.password = "s3cret pass";
    QCOMPARE(send("f.bin", "f.bin", withCredentials), FILE_TRANSFER_COMPLETE);
    QCOMPARE(fetch("f.bin"), pattern(900, 1));
}

void TestVekFileTransfer::droppedSegmentAnswerIsRetried()
{
    QVERIFY(startGateway({"--drop-file-answer", "2"}));
    QVERIFY(writeTestFile("f.bin", pattern(1000, 2)));

    // The device stored the segment but its answer was lost: after the wait the
    // same segment goes again and the file arrives whole, once.
    QCOMPARE(send("f.bin", "f.bin", m_gateway), FILE_TRANSFER_COMPLETE);
    QCOMPARE(emulator().countLines(QRegularExpression("^FILE 02:A0:00:00:00:01 31 silent$")), 1);
    QCOMPARE(emulator().countLines(QRegularExpression("^FILE 02:A0:00:00:00:01 31 ")), 4);
    QCOMPARE(fetch("f.bin"), pattern(1000, 2));
}

void TestVekFileTransfer::corruptedSegmentFailsOnlyItsSend()
{
    QVERIFY(startGateway({"--corrupt-file-segment", "2"}));
    QVERIFY(writeTestFile("f.bin", pattern(1000, 3)));

    QCOMPARE(send("f.bin", "f.bin", m_gateway), FILE_TRANSFER_FAILED);
    QVERIFY(fetch("f.bin").isNull());   // nothing half-written was kept
    QCOMPARE(send("f.bin", "f.bin", m_gateway), FILE_TRANSFER_COMPLETE);
    QCOMPARE(fetch("f.bin"), pattern(1000, 3));
}

void TestVekFileTransfer::damagedPieceFailsTheGetWithoutAPart()
{
    QDir().mkpath("held");
    QVERIFY(writeTestFile("held/big.bin", pattern(2000, 4)));
    QVERIFY(startGateway({"--device-files", m_bed->sandbox().filePath("held"), "--corrupt-file-segment", "2"}));

    // The second piece claims an impossible length: it is never taken, and the
    // get ends by its time-out, with no part of the file.
    QSignalSpy received(&m_bed->root, &AxSignalObject::_signal_up_file_received);
    m_vek->getFile("big.bin", m_gateway);
    QVERIFY(received.wait(15000));
    QCOMPARE(received.first().at(2).toBool(), false);
    QVERIFY(received.first().at(1).toByteArray().isEmpty());
    QCOMPARE(fetch("big.bin"), pattern(2000, 4));
}

QTEST_MAIN(TestVekFileTransfer)
#include "tst_vekfiletransfer.moc"
