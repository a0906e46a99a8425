#ifndef KOVSEGMENTREQUEST_H
#define KOVSEGMENTREQUEST_H

#include <QByteArray>

// Asks a device for one piece of a file: at most 450 bytes from an offset.
struct KovSegmentRequest
{
    static constexpr int Size = 8;

    QByteArray toBytes() const;

    quint32 offset = 0;
    quint16 length = 0;
};

#endif // KOVSEGMENTREQUEST_H
