#include "rawframeio.h"

#include "emulatorlog.h"

#include <QSocketNotifier>

#include <pcap/pcap.h>

RawFrameIo::RawFrameIo(QObject *parent)
    : QObject(parent)
{
}

RawFrameIo::~RawFrameIo()
{
    delete m_notifier;
    if (m_handle)
        pcap_close(m_handle);
}

bool RawFrameIo::open(const QString &interfaceName, QString *error)
{
    char errbuf[PCAP_ERRBUF_SIZE] = {0};
    m_handle = pcap_create(interfaceName.toLocal8Bit().constData(), errbuf);
    if (!m_handle) {
        *error = QString::fromLocal8Bit(errbuf);
        return false;
    }
    pcap_set_snaplen(m_handle, 2048);
    pcap_set_promisc(m_handle, 1);
    pcap_set_immediate_mode(m_handle, 1);
    pcap_set_buffer_size(m_handle, 16 * 1024 * 1024);
    bpf_program program;
    if (pcap_activate(m_handle) < 0
        || pcap_setdirection(m_handle, PCAP_D_IN) < 0
        || pcap_compile(m_handle, &program, "udp dst port 1024", 1, PCAP_NETMASK_UNKNOWN) < 0) {
        *error = QString::fromLocal8Bit(pcap_geterr(m_handle));
        return false;
    }
    const int filtered = pcap_setfilter(m_handle, &program);
    pcap_freecode(&program);
    if (filtered < 0 || pcap_setnonblock(m_handle, 1, errbuf) < 0) {
        *error = QString::fromLocal8Bit(pcap_geterr(m_handle));
        return false;
    }
    const int fd = pcap_get_selectable_fd(m_handle);
    if (fd < 0) {
        *error = QStringLiteral("the capture cannot be waited on");
        return false;
    }
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &RawFrameIo::readAvailable);
    return true;
}

bool RawFrameIo::send(const QByteArray &frame)
{
    QByteArray padded = frame;
    if (padded.size() < MinimumFrame)
        padded.append(QByteArray(MinimumFrame - padded.size(), '\0'));
    if (pcap_sendpacket(m_handle, reinterpret_cast<const u_char *>(padded.constData()), padded.size()) != 0) {
        EmulatorLog::line("ERROR sending: " + QString::fromLocal8Bit(pcap_geterr(m_handle)));
        return false;
    }
    return true;
}

void RawFrameIo::readAvailable()
{
    for (;;) {
        pcap_pkthdr *header = nullptr;
        const u_char *data = nullptr;
        const int result = pcap_next_ex(m_handle, &header, &data);
        if (result != 1)
            break;
        emit frameReceived(QByteArray(reinterpret_cast<const char *>(data), int(header->caplen)));
    }
}
