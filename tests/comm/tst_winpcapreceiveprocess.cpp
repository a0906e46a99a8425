#include "comm/link/adapter.h"
#include "comm/link/adapterlist.h"
#include "comm/link/udppacket.h"
#include "comm/link/winpcapreceiveprocess.h"

#include "gatewaytestbed.h"
#include "messagelog.h"

#include <QtTest>

#include <pcap/pcap.h>

#include <atomic>

// Captures on the toolbox's end of a veth pair while frames arrive from the
// other end, sent there through a capture handle opened inside namespace B.
class TestWinPcapReceiveProcess : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void onlyFramesFromVekPortsArrive();
    void queueKeepsEveryFrameUpToItsLimit();
    void idleCaptureWakesAtOnceForAFrameOrAStop();
    void unopenableAdapterStartsNoThread();

private:
    void setUpWire();
    void send(quint16 sourcePort, int length, quint8 marker = 0);
    void sendPayload(quint16 sourcePort, const QByteArray &payload);

    GatewayTestBed *m_bed = nullptr;
    AdapterList *m_adapters = nullptr;
    pcap_t *m_wire = nullptr;
};

void TestWinPcapReceiveProcess::init()
{
    m_bed = new GatewayTestBed;
}

void TestWinPcapReceiveProcess::cleanup()
{
    if (m_wire)
        pcap_close(m_wire);
    m_wire = nullptr;
    delete m_adapters;
    m_adapters = nullptr;
    delete m_bed;
    m_bed = nullptr;
}

// The wire is a raw handle on B's end; the capture under test stays in A.
void TestWinPcapReceiveProcess::setUpWire()
{
    NetnsPair &pair = m_bed->pair();
    QString error;
    QVERIFY2(pair.enter(NetnsPair::B, &error), qPrintable(error));
    char errbuf[PCAP_ERRBUF_SIZE] = {0};
    m_wire = pcap_open_live(pair.interfaceName(NetnsPair::B).toLatin1().constData(), 64, 0, 1, errbuf);
    QVERIFY2(pair.enter(NetnsPair::A, &error), qPrintable(error));
    QVERIFY2(m_wire, errbuf);
    m_adapters = new AdapterList;
    QCOMPARE(m_adapters->count(), 1);
}

void TestWinPcapReceiveProcess::send(quint16 sourcePort, int length, quint8 marker)
{
    sendPayload(sourcePort, QByteArray(length - UdpPacket::HeaderEnd, char(marker)));
}

void TestWinPcapReceiveProcess::sendPayload(quint16 sourcePort, const QByteArray &payload)
{
    const unsigned char broadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const unsigned char source[6] = {0x02, 0x00, 0x0A, 0x4D, 0x00, 0x02};
    UdpPacket packet(broadcast, source, 0x0A4D0001, 0x0A4D0002, sourcePort, 50000);
    packet.setPayload(reinterpret_cast<const unsigned char *>(payload.constData()), payload.size());
    QCOMPARE(pcap_sendpacket(m_wire, packet.buffer(), packet.frameLength()), 0);
}

void TestWinPcapReceiveProcess::onlyFramesFromVekPortsArrive()
{
    AX_REQUIRE_TESTBED(*m_bed);
    setUpWire();
    WinPcapReceiveProcess capture(m_adapters->adapter(0));
    QVERIFY(capture.isOpen());
    QSignalSpy frames(&capture, &WinPcapReceiveProcess::newPacketReceived);
    capture.startCapture();
    QVERIFY(capture.isRunning());

    send(5000, 60, 1);
    send(1024, 60, 2);
    send(1025, 100, 3);
    send(1024, 1200, 4);   // longer than the snapshot length
    QTRY_COMPARE(frames.count(), 3);
    QTest::qWait(50);
    QCOMPARE(frames.count(), 3);

    const QByteArray first = frames.at(0).at(0).toByteArray();
    QCOMPARE(first.size(), 60);
    QCOMPARE(quint8(first.at(42)), quint8(2));
    QCOMPARE(frames.at(1).at(0).toByteArray().size(), 100);
    const QByteArray cut = frames.at(2).at(0).toByteArray();
    QCOMPARE(cut.size(), WinPcapReceiveProcess::SnapshotLength);
    QCOMPARE(quint8(cut.at(999)), quint8(4));
}

// The owner's thread takes nothing while the frames come: the queue keeps
// them, in order, up to its limit and counts the rest as dropped. They go out
// in rounds that the kernel's buffer holds, each once the capture thread has
// read the one before, so none can be lost before the queue however loaded
// the machine is.
void TestWinPcapReceiveProcess::queueKeepsEveryFrameUpToItsLimit()
{
    AX_REQUIRE_TESTBED(*m_bed);
    setUpWire();
    WinPcapReceiveProcess capture(m_adapters->adapter(0));
    QList<int> numbers;
    connect(&capture, &WinPcapReceiveProcess::newPacketReceived, this,
            [&numbers](const QByteArray &frame) { numbers << qFromBigEndian<quint16>(frame.constData() + 42); });
    MessageLog log;
    capture.startCapture();

    const int limit = WinPcapReceiveProcess::QueueLimit;
    const int total = limit + 100;
    const auto captured = [&capture] { return capture.pendingFrames() + int(capture.droppedFrames()); };
    for (int sent = 0; sent < total;) {
        for (const int end = qMin(total, sent + 500); sent < end; ++sent) {
            QByteArray payload(32, '\0');
            qToBigEndian<quint16>(quint16(sent), payload.data());
            sendPayload(1024, payload);
        }
        QDeadlineTimer deadline(20000);
        while (captured() < sent && !deadline.hasExpired())
            QThread::msleep(1);   // no events handled: nothing is handed over
        QCOMPARE(captured(), sent);
    }
    QCOMPARE(capture.pendingFrames(), limit);
    QCOMPARE(capture.droppedFrames(), quint64(total - limit));

    QTRY_COMPARE(numbers.size(), limit);
    for (int i = 0; i < limit; ++i)
        QCOMPARE(numbers.at(i), i);
    QTRY_VERIFY(log.contains(QStringLiteral("full: 100 frames dropped")));

    // The queue takes frames again once the owner has taken its own.
    sendPayload(1024, QByteArray(32, '\x7f'));
    QTRY_COMPARE(numbers.size(), limit + 1);
    QCOMPARE(capture.droppedFrames(), quint64(total - limit));
}

// Idle, the thread sleeps until something happens: a frame is taken as it
// arrives, and a stop ends the thread at once.
void TestWinPcapReceiveProcess::idleCaptureWakesAtOnceForAFrameOrAStop()
{
    AX_REQUIRE_TESTBED(*m_bed);
    setUpWire();

    auto *idle = new WinPcapReceiveProcess(m_adapters->adapter(0));
    idle->startCapture();
    QTest::qWait(300);
    QElapsedTimer timer;
    timer.start();
    send(1024, 60);
    while (idle->pendingFrames() == 0 && timer.elapsed() < 5000)
        QThread::msleep(1);   // no events handled: the frame stays pending
    QVERIFY2(timer.elapsed() < 250, qPrintable(QString::number(timer.elapsed())));

    QTest::qWait(300);
    timer.start();
    delete idle;
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));

    // Busy: frames keep arriving while the object goes; none is emitted afterwards.
    std::atomic_int emitted{0};
    auto *busy = new WinPcapReceiveProcess(m_adapters->adapter(0));
    connect(busy, &WinPcapReceiveProcess::newPacketReceived, this,
            [&emitted] { ++emitted; }, Qt::DirectConnection);
    busy->startCapture();
    for (int i = 0; i < 200; ++i)
        send(1024, 60);
    QTRY_VERIFY(emitted.load() > 0);
    delete busy;
    const int atDestruction = emitted.load();
    for (int i = 0; i < 200; ++i)
        send(1024, 60);
    QTest::qWait(50);
    QCOMPARE(emitted.load(), atDestruction);
}

void TestWinPcapReceiveProcess::unopenableAdapterStartsNoThread()
{
    const Adapter missing(QHostAddress("10.0.0.1"), QHostAddress("255.0.0.0"), "axnosuchif0", "", "02:00:00:00:00:09");
    QTest::ignoreMessage(QtCriticalMsg, "Unable to open the adapter");
    WinPcapReceiveProcess capture(&missing);
    QVERIFY(!capture.isOpen());
    capture.startCapture();
    QVERIFY(!capture.isRunning());
}

QTEST_GUILESS_MAIN(TestWinPcapReceiveProcess)
#include "tst_winpcapreceiveprocess.moc"
