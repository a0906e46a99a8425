#include "platform/pcap/pcaplinktype.h"

#include "platform/pcap/pcapdevicename.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <cstring>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#else
#include <pcap/pcap.h>
#endif

#ifdef Q_OS_LINUX

// libpcap gives DLT_EN10MB to exactly the interfaces whose hardware type is
// ARPHRD_ETHER (loopback aside, which never gets here).
bool pcapLinkIsEthernet(const QString &interfaceName)
{
    const QByteArray name = interfaceName.toLocal8Bit();
    if (name.isEmpty() || name.size() >= IFNAMSIZ)
        return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq request;
    std::memset(&request, 0, sizeof request);
    std::memcpy(request.ifr_name, name.constData(), name.size());
    const bool known = ::ioctl(fd, SIOCGIFHWADDR, &request) == 0;
    ::close(fd);
    return known && request.ifr_hwaddr.sa_family == ARPHRD_ETHER;
}

#else

bool pcapLinkIsEthernet(const QString &interfaceName)
{
    char errbuf[PCAP_ERRBUF_SIZE] = {0};
    pcap_t *handle = pcap_open_live(pcapDeviceName(interfaceName).toLatin1().constData(), 64, 0, 1, errbuf);
    if (!handle)
        return false;
    const bool ethernet = pcap_datalink(handle) == DLT_EN10MB;
    pcap_close(handle);
    return ethernet;
}

#endif
