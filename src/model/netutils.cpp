#include "netutils.h"

#include <QByteArray>
#include <QDebug>
#include <QStringList>

#include <array>

namespace {

// The Modbus CRC table (reflected polynomial 0xA001): the low byte of each entry
// is the published high-order table, the high byte the low-order one.
constexpr std::array<quint16, 256> makeCrcTable()
{
    std::array<quint16, 256> table{};
    for (int index = 0; index < 256; ++index) {
        quint16 crc = quint16(index);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
        table[size_t(index)] = crc;
    }
    return table;
}

constexpr std::array<quint16, 256> crcTable = makeCrcTable();

const int macByteCount = 6;
const int macTextLength = 17;

} // namespace

quint16 crc16Modbus(const unsigned char *data, quint32 length)
{
    if (length == 0)
        return 0xFFFF;
    if (!data) {
        qCritical() << "CRC requested over a null buffer of length" << length;
        return 0xFFFF;
    }
    unsigned char hi = 0xFF;
    unsigned char lo = 0xFF;
    for (quint32 k = 0; k < length; ++k) {
        const unsigned char index = hi ^ data[k];
        hi = lo ^ (crcTable[index] & 0xFF);
        lo = crcTable[index] >> 8;
    }
    return quint16(hi << 8 | lo);
}

bool isAddressAccepted(const QHostAddress &address, const QHostAddress &filter)
{
    bool addressIsIpv4 = false;
    bool filterIsIpv4 = false;
    const quint32 a = address.toIPv4Address(&addressIsIpv4);
    const quint32 f = filter.toIPv4Address(&filterIsIpv4);
    if (!addressIsIpv4 || !filterIsIpv4)
        return false;
    return (a | f) == f;
}

QString formatMacAddress(const unsigned char *bytes)
{
    QStringList parts;
    for (int k = 0; k < macByteCount; ++k)
        parts << QStringLiteral("%1").arg(uint(bytes[k]), 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(':'));
}

void parseMacString(const QString &text, unsigned char *out)
{
    // The placeholder key of a user-added device ("Pending (...)") passes here on
    // every read of its row, so malformed text is not logged: its result is defined.
    // Every row read of the device store passes here, so no list is built.
    int k = 0;
    for (const QStringView part : QStringView(text).tokenize(u':')) {
        if (k == macByteCount)
            break;
        bool ok = false;
        const ushort value = part.toUShort(&ok, 16);
        out[k++] = ok ? static_cast<unsigned char>(value & 0xFF) : 0;
    }
}

void parseMacAddress(const char *text, unsigned char *out)
{
    // Look no further than the 17 characters the fixed form needs.
    if (!text || qstrnlen(text, macTextLength) < size_t(macTextLength)) {
        qDebug() << "String too short for MAC address";
        return;
    }
    for (int k = 0; k < macByteCount; ++k) {
        bool ok = false;
        const ushort value = QByteArray(text + 3 * k, 2).toUShort(&ok, 16);
        out[k] = ok ? static_cast<unsigned char>(value) : 0;
    }
}
