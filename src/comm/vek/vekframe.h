#ifndef VEKFRAME_H
#define VEKFRAME_H

#include <QByteArray>
#include <QHostAddress>
#include <QString>

// A captured Ethernet/IPv4/UDP frame from the wire. Untrusted: every read
// checks its offset against the captured length and gives 0 or an empty
// value outside it.
class VekFrame
{
public:
    static constexpr int PayloadOffset = 42;

    explicit VekFrame(const QByteArray &frame);

    int size() const;
    bool has(int offset, int length) const;

    quint8 byte(int offset) const;
    // Exactly length bytes, or an empty array when the frame is shorter.
    QByteArray bytes(int offset, int length) const;
    quint16 bigEndian16(int offset) const;
    quint16 littleEndian16(int offset) const;
    quint32 littleEndian32(int offset) const;
    // Latin-1 text of a fixed field, up to its first zero byte and at most maxChars.
    QString latin1Field(int offset, int fieldSize, int maxChars) const;

    bool isIpv4() const;
    // An IPv4 header without options carrying UDP: the UDP data starts at PayloadOffset.
    bool isUdpWithoutIpOptions() const;
    // Such a datagram whose IPv4 and UDP lengths agree and fit the capture.
    bool isPlainUdp() const;
    // The IPv4 and UDP lengths both end the datagram where the capture ends.
    bool lengthsMatchCapture() const;
    QByteArray sourceMac() const;
    QByteArray destinationMac() const;
    QString sourceMacText() const;
    QString destinationMacText() const;
    QHostAddress sourceIp() const;
    QHostAddress destinationIp() const;
    quint16 udpSourcePort() const;
    quint16 udpDestinationPort() const;
    // Lengths as the IPv4 and UDP headers state them.
    int ipTotalLength() const;
    int udpLength() const;
    int udpDataLength() const;

    QByteArray payload() const;
    int payloadSize() const;
    quint8 payloadByte(int index) const;

private:
    QByteArray m_frame;
};

#endif // VEKFRAME_H
