#ifndef UDPPACKET_H
#define UDPPACKET_H

#include "comm/link/ippacket.h"

// A UDP datagram without checksum inside an IPv4 packet: the shape of every
// VEK frame.
class UdpPacket : public IpPacket
{
public:
    static constexpr int HeaderEnd = IpPacket::HeaderEnd + 8;
    static constexpr int MaxPayload = 1469;

    // A random source port is drawn once per frame.
    UdpPacket(const unsigned char *destinationMac, const unsigned char *sourceMac,
              quint32 destinationIp, quint32 sourceIp, quint16 destinationPort);
    UdpPacket(const unsigned char *destinationMac, const unsigned char *sourceMac,
              quint32 destinationIp, quint32 sourceIp, quint16 sourcePort, quint16 destinationPort);

    void setSourcePort(quint16 port);
    void setDestinationPort(quint16 port);

    // Returns the length taken, or -1 when it is 1470 or more.
    int setPayload(const unsigned char *data, quint16 length);
};

#endif // UDPPACKET_H
