#include "comm/link/ippacket.h"

#include <QRandomGenerator>

#include <cstring>

IpPacket::IpPacket(const unsigned char *destinationMac, const unsigned char *sourceMac,
                   quint32 destinationIp, quint32 sourceIp, quint8 protocol)
    : EthernetPacket(destinationMac, sourceMac)
{
    writeU16(12, 0x0800);
    m_buffer[14] = 0x45;
    m_buffer[15] = 0;
    writeU16(18, static_cast<quint16>(QRandomGenerator::global()->bounded(0x10000)));
    m_buffer[22] = 128;
    m_buffer[23] = protocol;
    setSourceIp(sourceIp);
    setDestinationIp(destinationIp);
}

void IpPacket::setDestinationIp(quint32 address)
{
    writeU32(30, address);
}

void IpPacket::setSourceIp(quint32 address)
{
    writeU32(26, address);
}

void IpPacket::setProtocol(quint8 protocol)
{
    m_buffer[23] = protocol;
}

void IpPacket::setTimeToLive(quint8 ttl)
{
    m_buffer[22] = ttl;
}

int IpPacket::setPayload(const unsigned char *data, quint16 length)
{
    if (length > MaxPayload)
        return -1;
    setIpPayloadLength(length);
    updateHeaderChecksum();
    if (length > 0)
        std::memcpy(m_buffer + HeaderEnd, data, length);
    return length;
}

void IpPacket::setIpPayloadLength(quint16 length)
{
    m_payloadLength = length + 20;
    m_frameLength = HeaderEnd + length;
    writeU16(16, length + 20);
}

// The Internet checksum over the 20-byte header, the checksum field left out.
void IpPacket::updateHeaderChecksum()
{
    quint32 sum = 0;
    for (int offset = 14; offset < HeaderEnd; offset += 2) {
        if (offset != 24)
            sum += readU16(offset);
    }
    while (sum > 0xFFFF)
        sum = (sum & 0xFFFF) + (sum >> 16);
    writeU16(24, static_cast<quint16>(~sum));
}
