#include "userdeviceaddress.h"

#include <QNetworkInterface>
#include <QStringList>

QHostAddress parseUserDeviceAddress(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return QHostAddress();
    quint32 address = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return QHostAddress();
        for (const QChar c : part)
            if (c.unicode() < '0' || c.unicode() > '9')
                return QHostAddress();
        const uint number = part.toUInt();
        if (number > 255)
            return QHostAddress();
        address = (address << 8) | number;
    }
    return QHostAddress(address);
}

bool isOwnAddress(const QHostAddress &address)
{
    return address.isLoopback() || QNetworkInterface::allAddresses().contains(address);
}
