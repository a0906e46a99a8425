#include "comm/vek/kovmessage.h"

#include <QtEndian>

#include <algorithm>

namespace {

const unsigned char kScrambleKey[16] = {
    0x3A, 0x17, 0x52, 0x08, 0x41, 0x1C, 0x6E, 0x29,
    0x05, 0x33, 0x4F, 0x12, 0x27, 0x5D, 0x0B, 0x60
};

char latin1Byte(QChar c)
{
    return c.unicode() > 0xFF ? '\0' : static_cast<char>(c.unicode());
}

// One byte per character, cut or zero-padded to the field size.
QByteArray fixedField(const QString &text, int size)
{
    QByteArray field(size, '\0');
    const int count = qMin(size, static_cast<int>(text.size()));
    for (int i = 0; i < count; ++i)
        field[i] = latin1Byte(text.at(i));
    return field;
}

} // namespace

namespace KovMessage {

QByteArray discoveryRequest()
{
    QByteArray payload(DiscoveryRequestSize, '\0');
    payload[0] = 0x05;
    payload[1] = 0x01;
    return payload;
}

QByteArray request(quint8 command, const QByteArray &data, quint16 lengthField)
{
    QByteArray payload;
    payload.reserve(10 + data.size());
    payload.append('\x01').append('\x01').append(':').append('7').append('>');
    payload.append(static_cast<char>(command));
    payload.append(static_cast<char>(lengthField & 0xFF));
    payload.append(static_cast<char>(lengthField >> 8));
    payload.append(data);
    payload.append("\r\n", 2);
    return payload;
}

QByteArray request(quint8 command, const QByteArray &data)
{
    return request(command, data, static_cast<quint16>(data.size()));
}

QByteArray valueRequest(quint8 command, quint32 value)
{
    QByteArray data(8, '\0');
    qToBigEndian(value, data.data());
    return request(command, data);
}

// The field is 200 bytes, or the text's own length when longer; the length
// field counts the characters only.
QByteArray textRequest(quint8 command, const QString &text)
{
    const int size = qMax(TextFieldSize, static_cast<int>(text.size()));
    return request(command, fixedField(text, size), static_cast<quint16>(text.size()));
}

// The device expects the length of the dotted text plus one.
QByteArray setIpRequest(const QHostAddress &newAddress)
{
    const QString text = newAddress.toString();
    return request(KOV_SET_IP_ADDRESS, fixedField(text, text.size()), static_cast<quint16>(text.size() + 1));
}

QByteArray passwordDownloadData(const QString &remoteName, const QString &scrambledPassword)
{
    return fixedField(remoteName, 40) + fixedField(scrambledPassword, 20);
}

QString scramblePassword(const QString &password)
{
    QString scrambled;
    scrambled.reserve(password.size());
    for (int i = 0; i < password.size(); ++i) {
        const int c = static_cast<unsigned char>(latin1Byte(password.at(i)));
        const int k = kScrambleKey[i & 15];
        const int s = static_cast<signed char>(c) + k;
        const int out = s > 126 ? (c + k - 94) & 0xFF : (c + k) & 0xFF;
        scrambled.append(QChar(out));
    }
    return scrambled;
}

char parseKovDataReply(const QByteArray &payload, unsigned char *out, int capacity)
{
    if (payload.size() <= 5)
        return Bad;
    const char marker = payload.at(2);
    const char status = payload.at(3);
    if (marker == '/') {
        if (!out || capacity <= 0)
            return Bad;
        const int length = qFromLittleEndian<quint16>(payload.constData() + 4);
        if (payload.size() < 6 + length || length > capacity)
            return Bad;
        std::copy_n(payload.constData() + 6, length, reinterpret_cast<char *>(out));
        return Good;
    }
    if (marker == '<')
        return status == 'E' ? DeviceError : Good;
    if (static_cast<quint8>(marker) == 0xC3 && status == 'E')
        return DeviceError;
    return Bad;
}

char parseKovValueReply(const QByteArray &payload, unsigned char *out, int byteCount, quint8 command)
{
    if (byteCount < 0 || payload.size() < byteCount + 6)
        return Bad;
    const char marker = payload.at(2);
    const quint8 replyCommand = static_cast<quint8>(payload.at(3));
    if (marker == '/' && out && byteCount != 0 && replyCommand == command) {
        std::copy_n(payload.constData() + 6, byteCount, reinterpret_cast<char *>(out));
        return Good;
    }
    if (marker == '<')
        return replyCommand == 'E' ? Good : Bad;
    if (payload.size() > 3 && static_cast<quint8>(marker) == 0xC3 && replyCommand == 'E')
        return DeviceError;
    return Bad;
}

} // namespace KovMessage
