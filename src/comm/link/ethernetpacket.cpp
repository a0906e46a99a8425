#include "comm/link/ethernetpacket.h"

#include <QtEndian>

#include <cstring>

EthernetPacket::EthernetPacket(const unsigned char *destinationMac, const unsigned char *sourceMac)
{
    setDestinationMac(destinationMac);
    setSourceMac(sourceMac);
}

void EthernetPacket::setDestinationMac(const unsigned char *mac)
{
    std::memcpy(m_buffer, mac, 6);
}

void EthernetPacket::setSourceMac(const unsigned char *mac)
{
    std::memcpy(m_buffer + 6, mac, 6);
}

int EthernetPacket::setPayload(const unsigned char *data, quint16 length, quint16 type)
{
    if (length > MaxPayload)
        return -1;
    writeU16(12, type != 0 ? type : length);
    if (length > 0)
        std::memcpy(m_buffer + HeaderLength, data, length);
    m_payloadLength = length;
    m_frameLength = HeaderLength + length;
    return length;
}

quint16 EthernetPacket::payloadLength() const
{
    return m_payloadLength;
}

const unsigned char *EthernetPacket::buffer() const
{
    return m_buffer;
}

quint16 EthernetPacket::frameLength() const
{
    return m_frameLength;
}

void EthernetPacket::writeU16(int offset, quint16 value)
{
    qToBigEndian(value, m_buffer + offset);
}

void EthernetPacket::writeU32(int offset, quint32 value)
{
    qToBigEndian(value, m_buffer + offset);
}

quint16 EthernetPacket::readU16(int offset) const
{
    return qFromBigEndian<quint16>(m_buffer + offset);
}
