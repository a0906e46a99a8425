#ifndef VEKIAMREPLY_H
#define VEKIAMREPLY_H

#include <QHostAddress>

class Adapter;
class ArdentixDevice;
class VekFrame;

// Reads a gateway's identification reply into a device record. The frame is
// untrusted: one that is cut short, longer than any known reply or not a
// plain IPv4/UDP datagram is logged and dropped.
class VekIamReply
{
public:
    enum Outcome { Accepted, FilteredOut, Malformed };

    static constexpr quint8 MessageType = 0x06;
    static constexpr int ShortFrameSize = 234;   // 16-bit platform code
    static constexpr int LongFrameSize = 238;    // 32-bit platform code
    static constexpr int MaxPayloadSize = LongFrameSize - 42;

    static Outcome read(const VekFrame &frame, const Adapter &adapter, const QHostAddress &replyFilter,
                        ArdentixDevice &device);
};

#endif // VEKIAMREPLY_H
