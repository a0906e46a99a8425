#include "comm/link/adapter.h"

#include "platform/pcap/pcapdevicename.h"

#include <QDebug>
#include <QNetworkAddressEntry>
#include <QNetworkInterface>
#include <QtEndian>

#include <cstdio>

Adapter::Adapter(const QNetworkAddressEntry &entry, const QNetworkInterface &interface)
    : Adapter(entry.ip(), entry.netmask(), interface.name(), interface.humanReadableName(),
              interface.hardwareAddress())
{
}

Adapter::Adapter(const QHostAddress &ip, const QHostAddress &netmask, const QString &name,
                 const QString &description, const QString &macText)
    : m_ip(ip)
    , m_netmask(netmask)
    , m_description(description)
    , m_name(name)
    , m_macText(macText)
{
    parseMac(m_macText, m_macBytes);
}

QString Adapter::name() const
{
    return m_name;
}

QString Adapter::description() const
{
    return m_description;
}

QString Adapter::macString() const
{
    return m_macText;
}

const unsigned char *Adapter::macBytes() const
{
    return m_macBytes;
}

quint32 Adapter::ipv4() const
{
    return m_ip.toIPv4Address();
}

quint32 Adapter::netmask() const
{
    return m_netmask.toIPv4Address();
}

quint32 Adapter::ipNetworkOrder() const
{
    return qbswap(ipv4());
}

quint32 Adapter::netmaskNetworkOrder() const
{
    return qbswap(netmask());
}

QString Adapter::ipString() const
{
    return m_ip.toString();
}

QString Adapter::netmaskString() const
{
    return m_netmask.toString();
}

QHostAddress Adapter::ip() const
{
    return m_ip;
}

QString Adapter::winPcapName() const
{
    return pcapDeviceName(m_name);
}

void Adapter::parseMac(const QString &text, unsigned char *out)
{
    if (text.size() < 17) {
        std::fputs("String too short\n", stdout);
        return;
    }
    for (int k = 0; k < 6; ++k) {
        bool ok = false;
        const uint value = text.mid(3 * k, 2).toUInt(&ok, 16);
        out[k] = ok ? static_cast<unsigned char>(value) : 0;
    }
}

void Adapter::addDevice(const QString &mac)
{
    if (m_deviceMacs.size() < MaxDevices) {
        m_deviceMacs.insert(mac);
        return;
    }
    if (m_deviceMacs.contains(mac) || m_fullReported)
        return;
    m_fullReported = true;   // once until there is room again
    qWarning() << "[VEK] Device list of adapter" << m_name << "full with" << MaxDevices
               << "devices; more are not recorded:" << mac;
}

bool Adapter::hasDevice(const QString &mac) const
{
    return m_deviceMacs.contains(mac);
}

void Adapter::removeDevice(const QString &mac)
{
    if (m_deviceMacs.remove(mac))
        m_fullReported = false;
}

QStringList Adapter::deviceMacs() const
{
    QStringList macs(m_deviceMacs.cbegin(), m_deviceMacs.cend());
    macs.sort();
    return macs;
}

bool isOnAdapterSubnet(const QHostAddress &address, const Adapter &adapter)
{
    const quint32 mask = adapter.netmask();
    return (address.toIPv4Address() & mask) == (adapter.ipv4() & mask);
}
