#include "comm/link/winpcapreceiveprocess.h"

#include "comm/link/adapter.h"

#include <QDebug>
#include <QMutexLocker>

#include <pcap/pcap.h>

#include <cstdio>

namespace {
const char *const kFilter = "udp src port (1024 or 1025)";
}

WinPcapReceiveProcess::WinPcapReceiveProcess(const Adapter *adapter)
    : m_adapter(adapter)
{
    openAdapter();
}

WinPcapReceiveProcess::~WinPcapReceiveProcess()
{
    stopCapture();
    closeAdapter();
}

void WinPcapReceiveProcess::startCapture()
{
    if (!isOpen())
        return;
    m_stopping = false;
    start(QThread::InheritPriority);
}

bool WinPcapReceiveProcess::isOpen() const
{
    QMutexLocker locker(&m_handleMutex);
    return m_handle != nullptr;
}

// Every frame is handed on: nothing here waits for a lock that could make
// a burst of replies lose frames.
void WinPcapReceiveProcess::run()
{
    int readErrors = 0;
    while (!m_stopping) {
        pcap_pkthdr *header = nullptr;
        const u_char *data = nullptr;
        const int result = m_handle ? pcap_next_ex(m_handle, &header, &data) : -1;
        if (result == 1) {
            if (data && header && header->caplen > 0)
                emit newPacketReceived(QByteArray(reinterpret_cast<const char *>(data),
                                                  static_cast<int>(header->caplen)));
        } else if (result == -1) {
            ++readErrors;
            msleep(10);
            if (readErrors >= ReopenAfterErrors && !m_stopping) {
                closeAdapter();
                openAdapter();
                readErrors = 0;
            }
        }
        // 0 is the read time-out and -2 a break: the loop condition decides.
    }
}

void WinPcapReceiveProcess::openAdapter()
{
    const QByteArray device = m_adapter->winPcapName().toLatin1();
    char errbuf[PCAP_ERRBUF_SIZE] = {0};
    pcap_t *handle = pcap_open_live(device.constData(), SnapshotLength, 1, 1, errbuf);
    if (!handle) {
        std::fprintf(stderr, "\nUnable to open the adapter. %s is not supported by WinPcap\n", device.constData());
        qCritical() << "Unable to open the adapter";
        return;
    }
    {
        QMutexLocker locker(&m_handleMutex);
        m_handle = handle;
    }
    bpf_program program;
    if (pcap_compile(handle, &program, kFilter, 1, m_adapter->netmaskNetworkOrder()) < 0) {
        std::fputs("\nUnable to compile the packet filter. Check the syntax.\n", stderr);
        qCritical() << "Unable to compile filter";
        return;
    }
    const int set = pcap_setfilter(handle, &program);
    pcap_freecode(&program);
    if (set < 0) {
        std::fputs("\nError setting the filter.\n", stderr);
        qCritical() << "Error Serring Filter";
    }
}

void WinPcapReceiveProcess::closeAdapter()
{
    QMutexLocker locker(&m_handleMutex);
    if (m_handle) {
        pcap_close(m_handle);
        m_handle = nullptr;
    }
}

// pcap_next_ex waits while no frame passes the filter; only a break wakes it.
void WinPcapReceiveProcess::stopCapture()
{
    m_stopping = true;
    {
        QMutexLocker locker(&m_handleMutex);
        if (m_handle)
            pcap_breakloop(m_handle);
    }
    wait();
}
