#include "comm/vek/kovsegmentrequest.h"

#include <QtEndian>

QByteArray KovSegmentRequest::toBytes() const
{
    QByteArray bytes(Size, '\0');
    qToLittleEndian(offset, bytes.data());
    qToLittleEndian(length, bytes.data() + 4);
    return bytes;
}
