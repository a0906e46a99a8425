#ifndef KOVSEGMENT_H
#define KOVSEGMENT_H

#include <QByteArray>

// The 468-byte unit of a VEK file transfer: up to 450 file bytes at a file
// offset, protected by the Modbus CRC of the whole data field.
struct KovSegment
{
    static constexpr int DataSize = 450;
    static constexpr int Size = 468;

    // Clears the data, copies up to 450 bytes of the file from the offset
    // and sets the length and the CRC.
    void fill(const QByteArray &file, quint32 fileOffset);
    QByteArray toBytes() const;

    quint32 offset = 0;
    quint16 length = 0;
    quint16 crc = 0;
    unsigned char data[DataSize] = {};
};

#endif // KOVSEGMENT_H
