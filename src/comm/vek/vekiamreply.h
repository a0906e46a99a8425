#ifndef VEKIAMREPLY_H
#define VEKIAMREPLY_H

#include <QHostAddress>

class Adapter;
class ArdentixDevice;
class RateLimitedLog;
class VekFrame;

// Reads a gateway's identification reply into a device record. The frame is
// untrusted: every field is read only within what was captured. A reply of any
// length from the shortest known one up is read, so newer firmware with a
// longer reply still shows; a frame cut short, not UDP or with IPv4 options
// (which would move every field) is logged and dropped.
class VekIamReply
{
public:
    enum Outcome { Accepted, FilteredOut, Malformed };

    static constexpr quint8 MessageType = 0x06;
    static constexpr int ShortFrameSize = 234;   // the shortest reply; 16-bit platform code
    static constexpr int LongFrameSize = 238;    // 32-bit platform code

    // The lines about dropped or odd replies go through the log when one is
    // given, so that a flood of them cannot flood the log.
    static Outcome read(const VekFrame &frame, const Adapter &adapter, const QHostAddress &replyFilter,
                        ArdentixDevice &device, RateLimitedLog *log = nullptr);
};

#endif // VEKIAMREPLY_H
