#ifndef ETHERNETPACKET_H
#define ETHERNETPACKET_H

#include <QtGlobal>

// An Ethernet II frame built byte by byte in one fixed buffer, for the
// packet-capture library to send as it stands (no padding, no FCS).
class EthernetPacket
{
public:
    static constexpr int BufferSize = 1511;
    static constexpr int HeaderLength = 14;
    static constexpr int MaxPayload = BufferSize - HeaderLength;

    EthernetPacket(const unsigned char *destinationMac, const unsigned char *sourceMac);

    EthernetPacket(const EthernetPacket &) = delete;
    EthernetPacket &operator=(const EthernetPacket &) = delete;

    void setDestinationMac(const unsigned char *mac);
    void setSourceMac(const unsigned char *mac);

    // The payload right after the Ethernet header; the type/length field
    // becomes the type when it is non-zero, else the length. -1 when too long.
    int setPayload(const unsigned char *data, quint16 length, quint16 type);

    quint16 payloadLength() const;
    const unsigned char *buffer() const;
    quint16 frameLength() const;

protected:
    void writeU16(int offset, quint16 value);
    void writeU32(int offset, quint32 value);
    quint16 readU16(int offset) const;

    unsigned char m_buffer[BufferSize] = {};
    quint16 m_payloadLength = 0;
    quint16 m_frameLength = HeaderLength;
};

#endif // ETHERNETPACKET_H
