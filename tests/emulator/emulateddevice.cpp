#include "emulateddevice.h"

QString EmulatedDevice::macText() const
{
    return QString::fromLatin1(mac.toHex(':').toUpper());
}

bool EmulatedDevice::isInSubnetBroadcast(const QHostAddress &address) const
{
    const quint32 hostBits = prefixLength >= 32 ? 0 : (0xFFFFFFFFu >> prefixLength);
    return address.toIPv4Address() == (ip.toIPv4Address() | hostBits);
}
