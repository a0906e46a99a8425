#include "comm/link/adapterlist.h"

#include "comm/link/adapter.h"
#include "platform/pcap/pcaplinktype.h"

#include <QDebug>
#include <QNetworkInterface>

#include <pcap/pcap.h>

namespace {

// A field of the adapter at an index, or an empty value when there is none.
template<typename Value>
Value field(const Adapter *adapter, Value (Adapter::*read)() const)
{
    return adapter ? (adapter->*read)() : Value();
}

} // namespace

AdapterList::AdapterList(QObject *parent)
    : QObject(parent)
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();

    char errbuf[PCAP_ERRBUF_SIZE] = {0};
    pcap_if_t *pcapDevices = nullptr;
    if (pcap_findalldevs(&pcapDevices, errbuf) == -1)
        qCritical() << "Error: Could not retrieve Pcap adapter list";

    for (const QNetworkInterface &interface : interfaces) {
        if (m_count >= MaxAdapters)
            break;
        if (!isUsable(interface))
            continue;
        const QList<QNetworkAddressEntry> entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (m_count >= MaxAdapters)
                break;
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            m_adapters[m_count++] = new Adapter(entry, interface);
        }
    }

    if (pcapDevices)
        pcap_freealldevs(pcapDevices);
}

AdapterList::~AdapterList()
{
    qDebug() << "Destroying AdapterList";
    for (Adapter *adapter : m_adapters)
        delete adapter;
}

// Hand-built Ethernet frames go only to Ethernet links: a tun, WireGuard or
// PPP link that happens to be up must not be handed one.
bool AdapterList::isUsable(const QNetworkInterface &interface)
{
    if (!interface.isValid())
        return false;
    const QNetworkInterface::InterfaceFlags flags = interface.flags();
    if (flags & QNetworkInterface::IsLoopBack)
        return false;
    if (!(flags & (QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanBroadcast)))
        return false;
    if (interface.hardwareAddress().size() != 17)
        return false;
    return pcapLinkIsEthernet(interface.name());
}

int AdapterList::count() const
{
    return m_count;
}

Adapter *AdapterList::at(quint8 index, const char *failure) const
{
    if (index >= m_count) {
        qCritical() << failure;
        return nullptr;
    }
    return m_adapters[index];
}

Adapter *AdapterList::adapter(quint8 index) const
{
    return at(index, "[Adapter] Adapter does not exist.");
}

QString AdapterList::name(quint8 index) const
{
    return field(at(index, "[Adapter Name] Adapter does not exist."), &Adapter::name);
}

QString AdapterList::description(quint8 index) const
{
    return field(at(index, "[Adapter Description] Adapter does not exist."), &Adapter::description);
}

QString AdapterList::winPcapName(quint8 index) const
{
    return field(at(index, "[Adapter WinPcap Name] Adapter does not exist."), &Adapter::winPcapName);
}

QString AdapterList::ipString(quint8 index) const
{
    return field(at(index, "[Adapter IP String] Adapter does not exist."), &Adapter::ipString);
}

quint32 AdapterList::ipv4(quint8 index) const
{
    return field(at(index, "[Adapter IP] Adapter does not exist."), &Adapter::ipv4);
}

quint32 AdapterList::ipNetworkOrder(quint8 index) const
{
    return field(at(index, "[Adapter IP] Adapter does not exist."), &Adapter::ipNetworkOrder);
}

QString AdapterList::netmaskString(quint8 index) const
{
    return field(at(index, "[Adapter NetMask] Adapter does not exist."), &Adapter::netmaskString);
}

quint32 AdapterList::netmask(quint8 index) const
{
    return field(at(index, "[Adapter NetMask] Adapter does not exist."), &Adapter::netmask);
}

quint32 AdapterList::netmaskNetworkOrder(quint8 index) const
{
    return field(at(index, "[Adapter NetMask] Adapter does not exist."), &Adapter::netmaskNetworkOrder);
}
