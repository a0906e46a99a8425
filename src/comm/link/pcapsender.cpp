#include "comm/link/pcapsender.h"

#include <QDebug>

#include <pcap/pcap.h>

PcapSender::PcapSender(const QString &deviceName)
    : deviceName(deviceName.toLatin1())
{
}

PcapSender::~PcapSender()
{
    close();
}

bool PcapSender::send(const unsigned char *frame, int length)
{
    if (!handle && !open())
        return false;
    if (pcap_sendpacket(handle, frame, length) != 0) {
        qCritical() << "Error sending the packet" << pcap_geterr(handle);
        close();
        return false;
    }
    return true;
}

bool PcapSender::open()
{
    char errbuf[PCAP_ERRBUF_SIZE] = {0};
    handle = pcap_open_live(deviceName.constData(), 1, 0, 1, errbuf);
    if (!handle) {
        qCritical() << "[VEK] Frame not sent, cannot open the adapter:" << errbuf;
        return false;
    }
    // The handle only sends; a filter that matches nothing keeps the traffic
    // of the link from piling up in its receive buffer.
    bpf_program nothing;
    if (pcap_compile(handle, &nothing, "less 1", 1, PCAP_NETMASK_UNKNOWN) == 0) {
        if (pcap_setfilter(handle, &nothing) != 0)
            qWarning() << "[VEK] Send handle keeps receiving:" << pcap_geterr(handle);
        pcap_freecode(&nothing);
    }
    return true;
}

void PcapSender::close()
{
    if (handle)
        pcap_close(handle);
    handle = nullptr;
}
