#include "deviceset.h"

DeviceSet::DeviceSet(const QList<EmulatedDevice> &devices)
    : m_devices(devices)
{
    for (int i = 0; i < m_devices.size(); ++i)
        m_indexByMac.insert(m_devices.at(i).mac, i);
}

int DeviceSet::count() const
{
    return m_devices.size();
}

EmulatedDevice &DeviceSet::at(int index)
{
    return m_devices[index];
}

EmulatedDevice *DeviceSet::byMac(const QByteArray &mac)
{
    const auto found = m_indexByMac.constFind(mac);
    return found == m_indexByMac.constEnd() ? nullptr : &m_devices[found.value()];
}

QList<EmulatedDevice *> DeviceSet::discoveryTargets(const QHostAddress &destination)
{
    const bool everyone = destination == QHostAddress(QHostAddress::Broadcast);
    QList<EmulatedDevice *> targets;
    for (EmulatedDevice &device : m_devices) {
        if (everyone || destination == device.ip || device.isInSubnetBroadcast(destination))
            targets.append(&device);
    }
    return targets;
}

QList<EmulatedDevice *> DeviceSet::all()
{
    QList<EmulatedDevice *> devices;
    for (EmulatedDevice &device : m_devices)
        devices.append(&device);
    return devices;
}
