#include "comm/vek/vekframe.h"

#include "model/netutils.h"

#include <QtEndian>

VekFrame::VekFrame(const QByteArray &frame)
    : m_frame(frame)
{
}

int VekFrame::size() const
{
    return m_frame.size();
}

bool VekFrame::has(int offset, int length) const
{
    return offset >= 0 && length >= 0 && offset <= m_frame.size() - length;
}

quint8 VekFrame::byte(int offset) const
{
    return has(offset, 1) ? static_cast<quint8>(m_frame.at(offset)) : 0;
}

QByteArray VekFrame::bytes(int offset, int length) const
{
    return has(offset, length) ? m_frame.mid(offset, length) : QByteArray();
}

quint16 VekFrame::bigEndian16(int offset) const
{
    return has(offset, 2) ? qFromBigEndian<quint16>(m_frame.constData() + offset) : 0;
}

quint16 VekFrame::littleEndian16(int offset) const
{
    return has(offset, 2) ? qFromLittleEndian<quint16>(m_frame.constData() + offset) : 0;
}

quint32 VekFrame::littleEndian32(int offset) const
{
    return has(offset, 4) ? qFromLittleEndian<quint32>(m_frame.constData() + offset) : 0;
}

QString VekFrame::latin1Field(int offset, int fieldSize, int maxChars) const
{
    if (!has(offset, fieldSize))
        return QString();
    const char *field = m_frame.constData() + offset;
    const int limit = qMin(fieldSize, maxChars);
    int length = 0;
    while (length < limit && field[length] != '\0')
        ++length;
    return QString::fromLatin1(field, length);
}

bool VekFrame::isIpv4() const
{
    return bigEndian16(12) == 0x0800;
}

bool VekFrame::isUdpWithoutIpOptions() const
{
    return has(0, PayloadOffset) && isIpv4() && byte(14) == 0x45 && byte(23) == 17;
}

bool VekFrame::isPlainUdp() const
{
    return isUdpWithoutIpOptions() && udpLength() >= 8 && ipTotalLength() == udpLength() + 20
        && 14 + ipTotalLength() <= size();
}

bool VekFrame::lengthsMatchCapture() const
{
    return 14 + ipTotalLength() == size() && 34 + udpLength() == size();
}

QByteArray VekFrame::sourceMac() const
{
    return bytes(6, 6);
}

QByteArray VekFrame::destinationMac() const
{
    return bytes(0, 6);
}

QString VekFrame::sourceMacText() const
{
    const QByteArray mac = sourceMac();
    return mac.isEmpty() ? QString() : formatMacAddress(reinterpret_cast<const unsigned char *>(mac.constData()));
}

QString VekFrame::destinationMacText() const
{
    const QByteArray mac = destinationMac();
    return mac.isEmpty() ? QString() : formatMacAddress(reinterpret_cast<const unsigned char *>(mac.constData()));
}

QHostAddress VekFrame::sourceIp() const
{
    return has(26, 4) ? QHostAddress(qFromBigEndian<quint32>(m_frame.constData() + 26)) : QHostAddress();
}

QHostAddress VekFrame::destinationIp() const
{
    return has(30, 4) ? QHostAddress(qFromBigEndian<quint32>(m_frame.constData() + 30)) : QHostAddress();
}

quint16 VekFrame::udpSourcePort() const
{
    return bigEndian16(34);
}

quint16 VekFrame::udpDestinationPort() const
{
    return bigEndian16(36);
}

int VekFrame::ipTotalLength() const
{
    return bigEndian16(16);
}

int VekFrame::udpLength() const
{
    return bigEndian16(38);
}

int VekFrame::udpDataLength() const
{
    return qMax(0, udpLength() - 8);
}

QByteArray VekFrame::payload() const
{
    return m_frame.size() > PayloadOffset ? m_frame.mid(PayloadOffset) : QByteArray();
}

int VekFrame::payloadSize() const
{
    return qMax(0, static_cast<int>(m_frame.size()) - PayloadOffset);
}

quint8 VekFrame::payloadByte(int index) const
{
    return byte(PayloadOffset + index);
}
