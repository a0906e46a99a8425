#ifndef REPLYFRAMES_H
#define REPLYFRAMES_H

// Builds the frames a gateway sends, byte by byte, for the reception tests.

#include <QByteArray>
#include <QString>
#include <QtEndian>

namespace ReplyFrames {

struct Iam
{
    QByteArray sourceMac = QByteArray::fromHex("0050C2AA0001");
    QByteArray destinationMac = QByteArray::fromHex("FFFFFFFFFFFF");
    quint32 sourceIp = 0xC0A80114;        // 192.168.1.20
    quint32 destinationIp = 0xC0A8010A;   // 192.168.1.10
    quint8 version = 1;
    QByteArray title = "Boiler house";
    QByteArray firmware = "6.21.4";
    QByteArray restartTime = "2026-12-01 08:00:00";
    QByteArray displayMac = QByteArray::fromHex("0050C2AA00FF");
    QByteArray tag = "TAG1";
    quint32 status = 0;
    quint32 platformCode = 300;
    QByteArray platformName;
    int frameSize = 234;
};

inline void put(QByteArray &frame, int offset, const QByteArray &bytes, int fieldSize)
{
    for (int i = 0; i < fieldSize && i < bytes.size() && offset + i < frame.size(); ++i)
        frame[offset + i] = bytes.at(i);
}

// Ethernet, IPv4 and UDP headers for a datagram of dataLength bytes from port 1024.
inline QByteArray udpFrame(const QByteArray &destinationMac, const QByteArray &sourceMac,
                           quint32 destinationIp, quint32 sourceIp, int dataLength, int frameSize,
                           quint16 sourcePort = 1024)
{
    QByteArray frame(frameSize, '\0');
    put(frame, 0, destinationMac, 6);
    put(frame, 6, sourceMac, 6);
    qToBigEndian<quint16>(0x0800, frame.data() + 12);
    frame[14] = 0x45;
    qToBigEndian<quint16>(dataLength + 28, frame.data() + 16);
    frame[22] = 64;
    frame[23] = 17;
    qToBigEndian(sourceIp, frame.data() + 26);
    qToBigEndian(destinationIp, frame.data() + 30);
    qToBigEndian<quint16>(sourcePort, frame.data() + 34);
    qToBigEndian<quint16>(50000, frame.data() + 36);
    qToBigEndian<quint16>(dataLength + 8, frame.data() + 38);
    return frame;
}

inline QByteArray iam(const Iam &reply)
{
    QByteArray frame = udpFrame(reply.destinationMac, reply.sourceMac, reply.destinationIp, reply.sourceIp,
                                reply.frameSize - 42, reply.frameSize);
    const int p = 42;
    frame[p] = 0x06;
    frame[p + 1] = static_cast<char>(reply.version);
    put(frame, p + 2, reply.title, 40);
    put(frame, p + 42, reply.firmware, 40);
    put(frame, p + 82, reply.restartTime, 39);
    put(frame, p + 138, reply.displayMac, 6);
    put(frame, p + 144, reply.tag, 8);
    qToLittleEndian(reply.status, frame.data() + p + 152);
    if (reply.frameSize >= 238)
        qToLittleEndian(reply.platformCode, frame.data() + p + 160);
    else
        qToLittleEndian<quint16>(static_cast<quint16>(reply.platformCode), frame.data() + p + 160);
    put(frame, p + 162, reply.platformName, 30);
    return frame;
}

// A KOV reply padded to the Ethernet minimum, as a device's link sends it.
inline QByteArray kov(const QByteArray &payload, const QByteArray &sourceMac = QByteArray::fromHex("0050C2AA0001"),
                      quint32 sourceIp = 0xC0A80114)
{
    QByteArray frame = udpFrame(QByteArray::fromHex("FFFFFFFFFFFF"), sourceMac, 0xC0A8010A, sourceIp,
                                payload.size(), qMax(60, 42 + static_cast<int>(payload.size())));
    put(frame, 42, payload, payload.size());
    return frame;
}

} // namespace ReplyFrames

#endif // REPLYFRAMES_H
