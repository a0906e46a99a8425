#ifndef IPPACKET_H
#define IPPACKET_H

#include "comm/link/ethernetpacket.h"

// An IPv4 packet without options inside an Ethernet frame.
class IpPacket : public EthernetPacket
{
public:
    static constexpr int HeaderEnd = EthernetPacket::HeaderLength + 20;
    static constexpr int MaxPayload = BufferSize - HeaderEnd;

    // Addresses in host order, first octet most significant.
    IpPacket(const unsigned char *destinationMac, const unsigned char *sourceMac,
             quint32 destinationIp, quint32 sourceIp, quint8 protocol);

    void setDestinationIp(quint32 address);
    void setSourceIp(quint32 address);
    void setProtocol(quint8 protocol);
    void setTimeToLive(quint8 ttl);

    // The payload right after the IPv4 header; -1 when too long.
    int setPayload(const unsigned char *data, quint16 length);

protected:
    void setIpPayloadLength(quint16 length);
    void updateHeaderChecksum();
};

#endif // IPPACKET_H
