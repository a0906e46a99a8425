#include "comm/link/winpcapreceiveprocess.h"

#include "comm/link/adapter.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMutexLocker>

#include <pcap/pcap.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {
const char *const kFilter = "udp src port (1024 or 1025)";
const int kReadTimeoutMs = 1;
const int kDropLogIntervalMs = 1000;
}

WinPcapReceiveProcess::WinPcapReceiveProcess(const Adapter *adapter)
    : m_adapter(adapter)
{
    m_dropLogTimer.setInterval(kDropLogIntervalMs);
    connect(&m_dropLogTimer, &QTimer::timeout, this, &WinPcapReceiveProcess::logDrops);
    // Without a way to wake it, a capture waiting for frames could not be stopped.
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        qCritical() << "Unable to open the adapter:" << qt_error_string(errno);
        return;
    }
    openAdapter();
}

WinPcapReceiveProcess::~WinPcapReceiveProcess()
{
    stopCapture();
    closeAdapter();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void WinPcapReceiveProcess::startCapture()
{
    if (!isOpen())
        return;
    m_stopping = false;
    start(QThread::InheritPriority);
    m_dropLogTimer.start();
}

bool WinPcapReceiveProcess::isOpen() const
{
    QMutexLocker locker(&m_handleMutex);
    return m_handle != nullptr;
}

int WinPcapReceiveProcess::pendingFrames() const
{
    return m_pending;
}

quint64 WinPcapReceiveProcess::droppedFrames() const
{
    return m_dropped;
}

quint64 WinPcapReceiveProcess::kernelDroppedFrames() const
{
    return m_kernelDropped;
}

// Nothing here waits on the owner's thread: a frame is queued or, with the
// queue full, counted as dropped. The kernel's count of the frames it dropped
// is looked up when frames come, at most once a second: it can only grow
// while they do. The handle does not block: the thread reads what is there,
// then waits for more.
void WinPcapReceiveProcess::run()
{
    int readErrors = 0;
    QElapsedTimer sinceKernelDrops;
    sinceKernelDrops.start();
    while (!m_stopping) {
        pcap_pkthdr *header = nullptr;
        const u_char *data = nullptr;
        const int result = m_handle ? pcap_next_ex(m_handle, &header, &data) : -1;
        if (result == 1) {
            if (data && header && header->caplen > 0)
                queueFrame(data, static_cast<int>(header->caplen));
            if (sinceKernelDrops.hasExpired(kDropLogIntervalMs)) {
                readKernelDrops();
                sinceKernelDrops.start();
            }
            continue;
        }
        if (result == 0 && waitForFrames())
            continue;
        ++readErrors;
        msleep(10);
        if (readErrors >= ReopenAfterErrors && !m_stopping) {
            closeAdapter();
            openAdapter();
            readErrors = 0;
        }
    }
}

// Sleeps until a frame can be read or a stop wakes the thread. False when
// the wait failed or the capture reports an error: a read error.
bool WinPcapReceiveProcess::waitForFrames()
{
    pollfd waitFor[] = {{pcap_get_selectable_fd(m_handle), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    if (poll(waitFor, 2, -1) < 0)
        return errno == EINTR;
    return !(waitFor[0].revents & (POLLERR | POLLHUP | POLLNVAL));
}

void WinPcapReceiveProcess::queueFrame(const unsigned char *data, int length)
{
    if (m_pending >= QueueLimit) {
        ++m_dropped;
        return;
    }
    ++m_pending;
    QByteArray frame(reinterpret_cast<const char *>(data), length);
    bool wasEmpty = false;
    {
        QMutexLocker locker(&m_queueMutex);
        wasEmpty = m_queue.isEmpty();
        m_queue.append(std::move(frame));
    }
    // One hand-over call for every frame queued before it runs.
    if (wasEmpty)
        QMetaObject::invokeMethod(this, &WinPcapReceiveProcess::deliverFrames, Qt::QueuedConnection);
}

void WinPcapReceiveProcess::deliverFrames()
{
    QList<QByteArray> frames;
    {
        QMutexLocker locker(&m_queueMutex);
        frames.swap(m_queue);
    }
    for (const QByteArray &frame : std::as_const(frames)) {
        --m_pending;
        emit newPacketReceived(frame);
    }
}

void WinPcapReceiveProcess::readKernelDrops()
{
    pcap_stat stats{};
    if (pcap_stats(m_handle, &stats) == 0)
        m_kernelDropped = m_kernelDropsBeforeOpen + stats.ps_drop;
}

// At most one line of each kind a second, from the owner's thread.
void WinPcapReceiveProcess::logDrops()
{
    const quint64 dropped = m_dropped;
    if (dropped != m_droppedLogged) {
        qWarning().noquote() << QStringLiteral("[VEK] Capture queue of %1 full: %2 frames dropped")
                                    .arg(m_adapter->name()).arg(dropped - m_droppedLogged);
        m_droppedLogged = dropped;
    }
    const quint64 kernelDropped = m_kernelDropped;
    if (kernelDropped != m_kernelDroppedLogged) {
        qWarning().noquote() << QStringLiteral("[VEK] Capture buffer of %1 full: %2 frames dropped")
                                    .arg(m_adapter->name()).arg(kernelDropped - m_kernelDroppedLogged);
        m_kernelDroppedLogged = kernelDropped;
    }
}

// Immediate mode makes every frame readable at once and gives the buffer a
// fixed slot per frame, so it holds the same number of frames however they
// are spaced in time; so the read timeout never holds a frame back, and the
// handle is read without blocking. A filter that cannot be set closes the
// handle: an adapter capturing everything would hand every frame over.
void WinPcapReceiveProcess::openAdapter()
{
    const QByteArray device = m_adapter->winPcapName().toLatin1();
    char errbuf[PCAP_ERRBUF_SIZE] = {0};
    pcap_t *handle = pcap_create(device.constData(), errbuf);
    if (!handle || pcap_set_snaplen(handle, SnapshotLength) != 0 || pcap_set_promisc(handle, 1) != 0
        || pcap_set_timeout(handle, kReadTimeoutMs) != 0 || pcap_set_immediate_mode(handle, 1) != 0
        || pcap_set_buffer_size(handle, KernelBufferBytes) != 0 || pcap_activate(handle) < 0
        || pcap_setnonblock(handle, 1, errbuf) != 0 || pcap_get_selectable_fd(handle) < 0) {
        if (handle)
            pcap_close(handle);
        std::fprintf(stderr, "\nUnable to open the adapter. %s is not supported by WinPcap\n", device.constData());
        qCritical() << "Unable to open the adapter";
        return;
    }
    bpf_program program;
    if (pcap_compile(handle, &program, kFilter, 1, m_adapter->netmaskNetworkOrder()) < 0) {
        std::fputs("\nUnable to compile the packet filter. Check the syntax.\n", stderr);
        qCritical() << "Unable to compile filter" << pcap_geterr(handle);
        pcap_close(handle);
        return;
    }
    const int set = pcap_setfilter(handle, &program);
    pcap_freecode(&program);
    if (set < 0) {
        std::fputs("\nError setting the filter.\n", stderr);
        qCritical() << "Error Serring Filter" << pcap_geterr(handle);
        pcap_close(handle);
        return;
    }
    QMutexLocker locker(&m_handleMutex);
    m_handle = handle;
    m_kernelDropsBeforeOpen = m_kernelDropped;
}

void WinPcapReceiveProcess::closeAdapter()
{
    QMutexLocker locker(&m_handleMutex);
    if (m_handle) {
        pcap_close(m_handle);
        m_handle = nullptr;
    }
}

void WinPcapReceiveProcess::stopCapture()
{
    m_dropLogTimer.stop();
    m_stopping = true;
    if (m_wakeFd >= 0) {
        const quint64 wake = 1;
        if (::write(m_wakeFd, &wake, sizeof wake) < 0)
            qWarning() << "Capture not woken:" << qt_error_string(errno);
    }
    wait();
}
