#include "comm/link/udppacket.h"

#include <QRandomGenerator>

#include <cstring>

UdpPacket::UdpPacket(const unsigned char *destinationMac, const unsigned char *sourceMac,
                     quint32 destinationIp, quint32 sourceIp, quint16 destinationPort)
    : UdpPacket(destinationMac, sourceMac, destinationIp, sourceIp,
                static_cast<quint16>(QRandomGenerator::global()->bounded(0x10000)), destinationPort)
{
}

UdpPacket::UdpPacket(const unsigned char *destinationMac, const unsigned char *sourceMac,
                     quint32 destinationIp, quint32 sourceIp, quint16 sourcePort, quint16 destinationPort)
    : IpPacket(destinationMac, sourceMac, destinationIp, sourceIp, 17)
{
    setSourcePort(sourcePort);
    setDestinationPort(destinationPort);
    writeU16(38, 8);
    writeU16(40, 0);
}

void UdpPacket::setSourcePort(quint16 port)
{
    writeU16(34, port);
}

void UdpPacket::setDestinationPort(quint16 port)
{
    writeU16(36, port);
}

int UdpPacket::setPayload(const unsigned char *data, quint16 length)
{
    if (length > MaxPayload)
        return -1;
    setIpPayloadLength(length + 8);
    writeU16(38, length + 8);
    updateHeaderChecksum();
    if (length > 0)
        std::memcpy(m_buffer + HeaderEnd, data, length);
    return length;
}
