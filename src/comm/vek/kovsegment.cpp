#include "comm/vek/kovsegment.h"

#include "model/netutils.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

void KovSegment::fill(const QByteArray &file, quint32 fileOffset)
{
    std::memset(data, 0, sizeof data);
    offset = fileOffset;
    const qint64 available = qMax<qint64>(0, file.size() - qint64(fileOffset));
    length = static_cast<quint16>(qMin<qint64>(DataSize, available));
    if (length > 0)
        std::memcpy(data, file.constData() + fileOffset, length);
    crc = crc16Modbus(data, DataSize);
}

// The CRC is stored little-endian as crc16Modbus gives it, which puts the
// standard Modbus value high byte first on the wire.
QByteArray KovSegment::toBytes() const
{
    QByteArray bytes(Size, '\0');
    char *out = bytes.data();
    qToLittleEndian(offset, out);
    qToLittleEndian(length, out + 4);
    qToLittleEndian(crc, out + 6);
    std::memcpy(out + 8, data, DataSize);
    return bytes;
}
