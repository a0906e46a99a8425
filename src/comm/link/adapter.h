#ifndef ADAPTER_H
#define ADAPTER_H

#include <QHostAddress>
#include <QSet>
#include <QString>
#include <QStringList>

class QNetworkAddressEntry;
class QNetworkInterface;

// One IPv4 address of a usable network interface: the source of every VEK
// frame sent on it, and the list of devices seen through it.
class Adapter
{
public:
    Adapter(const QNetworkAddressEntry &entry, const QNetworkInterface &interface);
    Adapter(const QHostAddress &ip, const QHostAddress &netmask, const QString &name,
            const QString &description, const QString &macText);

    Adapter(const Adapter &) = delete;
    Adapter &operator=(const Adapter &) = delete;

    QString name() const;
    QString description() const;
    QString macString() const;
    const unsigned char *macBytes() const;

    quint32 ipv4() const;
    quint32 netmask() const;
    quint32 ipNetworkOrder() const;
    quint32 netmaskNetworkOrder() const;
    QString ipString() const;
    QString netmaskString() const;
    QHostAddress ip() const;

    QString winPcapName() const;

    static void parseMac(const QString &text, unsigned char *out);

    // The devices seen through this adapter. Every reply of a new MAC adds
    // one, so the list is bounded: far more gateways than one network holds,
    // some 2 MB. A device left out is still reached through the adapter
    // named in its own record.
    static constexpr int MaxDevices = 16384;

    void addDevice(const QString &mac);
    bool hasDevice(const QString &mac) const;
    void removeDevice(const QString &mac);
    QStringList deviceMacs() const;   // sorted

private:
    QHostAddress m_ip;
    QHostAddress m_netmask;
    QString m_description;
    QString m_name;
    unsigned char m_macBytes[6] = {0, 0, 0, 0, 0, 0};
    QString m_macText;
    QSet<QString> m_deviceMacs;
    bool m_fullReported = false;
};

// Whether the address lies in the adapter's IPv4 subnet.
bool isOnAdapterSubnet(const QHostAddress &address, const Adapter &adapter);

#endif // ADAPTER_H
