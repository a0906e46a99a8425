#ifndef DEVICESET_H
#define DEVICESET_H

#include "emulateddevice.h"

#include <QHash>
#include <QList>

// The gateways the emulator stands for, found by their MAC.
class DeviceSet
{
public:
    explicit DeviceSet(const QList<EmulatedDevice> &devices);

    int count() const;
    EmulatedDevice &at(int index);
    // The device with this six-byte MAC, or null.
    EmulatedDevice *byMac(const QByteArray &mac);
    // The devices that take a discovery request sent to this address.
    QList<EmulatedDevice *> discoveryTargets(const QHostAddress &destination);
    QList<EmulatedDevice *> all();

private:
    QList<EmulatedDevice> m_devices;
    QHash<QByteArray, int> m_indexByMac;
};

#endif // DEVICESET_H
