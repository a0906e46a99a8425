#ifndef USERDEVICEADDRESS_H
#define USERDEVICEADDRESS_H

#include <QHostAddress>
#include <QString>

// The address a user types for a device added by hand: four decimal numbers
// from 0 to 255 joined by dots, with blanks around it ignored. Leading zeros are
// decimal ("192.168.001.020" is 192.168.1.20, never octal). Any other text,
// IPv6 included, gives a null address.
QHostAddress parseUserDeviceAddress(const QString &text);

// An address of this PC: one of its adapters' or any loopback address.
bool isOwnAddress(const QHostAddress &address);

#endif // USERDEVICEADDRESS_H
