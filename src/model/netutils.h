#ifndef NETUTILS_H
#define NETUTILS_H

#include <QHostAddress>
#include <QString>
#include <QtGlobal>

// Checksum and address helpers shared by the device record and the VEK protocol.
// A MAC address travels as six raw bytes (wire order) or as upper-case hex text
// joined by ':', e.g. "00:1A:2B:3C:4D:5E".

// Modbus CRC-16 as the reference routine computes it: the standard value with its
// two bytes exchanged ("123456789" gives 0x374B). No bytes give 0xFFFF.
quint16 crc16Modbus(const unsigned char *data, quint32 length);

// True when every bit set in the IPv4 address is also set in the filter.
// Addresses that are not IPv4 are never accepted.
bool isAddressAccepted(const QHostAddress &address, const QHostAddress &filter);

// Six bytes as "AA:BB:CC:DD:EE:FF".
QString formatMacAddress(const unsigned char *bytes);

// Reads up to six ':'-separated hex parts into out; bytes past the last part are
// left as they were, and a part that is not hex gives 0.
void parseMacString(const QString &text, unsigned char *out);

// Reads the fixed 17-character form; shorter text writes nothing.
void parseMacAddress(const char *text, unsigned char *out);

#endif // NETUTILS_H
