#include "emulatoroptions.h"

#include <QCommandLineParser>

namespace {

bool parseMac(const QString &text, QByteArray *mac)
{
    const QStringList parts = text.split(':');
    if (parts.size() != 6)
        return false;
    QByteArray bytes;
    for (const QString &part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok, 16);
        if (!ok || part.size() != 2 || value > 0xFF)
            return false;
        bytes.append(static_cast<char>(value));
    }
    *mac = bytes;
    return true;
}

bool parseIpv4(const QString &text, QHostAddress *address)
{
    const QHostAddress parsed(text);
    if (parsed.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    *address = parsed;
    return true;
}

// A gateway's identification texts are Latin-1 fields: a text that can't be
// written so is refused here rather than sent with '?' in its place.
bool isLatin1(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

QByteArray macPlus(const QByteArray &base, quint32 step)
{
    QByteArray mac = base;
    quint32 low = (quint8(mac[3]) << 16 | quint8(mac[4]) << 8 | quint8(mac[5])) + step;
    mac[3] = char(low >> 16);
    mac[4] = char(low >> 8);
    mac[5] = char(low);
    return mac;
}

} // namespace

bool EmulatorOptions::parse(const QStringList &arguments, QString *error)
{
    QCommandLineParser parser;
    parser.addOptions({
        {"interface", "Network interface of the gateways.", "name"},
        {"devices", "Number of gateways.", "n", "1"},
        {"base-mac", "MAC of the first gateway.", "mac", "02:A0:00:00:00:01"},
        {"base-ip", "IPv4 address of the first gateway.", "address", "10.77.0.100"},
        {"prefix", "Subnet prefix length.", "bits", "24"},
        {"platform", "Platform code.", "code", "300"},
        {"title", "Configuration title; %1 is the gateway's number.", "text", "Gateway %1"},
        {"firmware", "Firmware version text.", "text", "6.21.0"},
        {"device", "Settings of one gateway: N:key=value,...", "setting"},
    });
    HttpDeviceConfig::addOptions(parser);
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (!HttpDeviceConfig::fromOptions(parser, &http, error))
        return false;

    interfaceName = parser.value("interface");
    if (interfaceName.isEmpty()) {
        *error = QStringLiteral("--interface is required");
        return false;
    }
    bool ok = false;
    const int count = parser.value("devices").toInt(&ok);
    if (!ok || count < 1 || count > 100000) {
        *error = QStringLiteral("--devices wants a number from 1 to 100000");
        return false;
    }
    QByteArray baseMac;
    if (!parseMac(parser.value("base-mac"), &baseMac)) {
        *error = QStringLiteral("--base-mac is not a MAC address");
        return false;
    }
    QHostAddress baseIp;
    if (!parseIpv4(parser.value("base-ip"), &baseIp)) {
        *error = QStringLiteral("--base-ip is not an IPv4 address");
        return false;
    }
    const int prefix = parser.value("prefix").toInt(&ok);
    if (!ok || prefix < 0 || prefix > 32) {
        *error = QStringLiteral("--prefix wants 0 to 32");
        return false;
    }
    const uint platform = parser.value("platform").toUInt(&ok);
    if (!ok) {
        *error = QStringLiteral("--platform wants a number");
        return false;
    }

    devices.clear();
    for (int i = 0; i < count; ++i) {
        EmulatedDevice device;
        device.mac = macPlus(baseMac, quint32(i));
        device.ip = QHostAddress(baseIp.toIPv4Address() + quint32(i));
        device.prefixLength = prefix;
        device.platformCode = platform;
        device.title = parser.value("title").arg(i);
        device.firmware = parser.value("firmware");
        device.tag = QStringLiteral("EMU%1").arg(i);
        devices.append(device);
    }
    const QStringList settings = parser.values("device");
    for (const QString &setting : settings) {
        if (!applyDeviceSetting(setting, error))
            return false;
    }
    for (const EmulatedDevice &device : std::as_const(devices)) {
        for (const QString &text : {device.title, device.firmware, device.tag, device.platformName}) {
            if (!isLatin1(text)) {
                *error = QStringLiteral("\"%1\" is not Latin-1 text, which is all a gateway's identification "
                                        "fields hold").arg(text);
                return false;
            }
        }
    }
    return true;
}

bool EmulatorOptions::applyDeviceSetting(const QString &setting, QString *error)
{
    const int colon = setting.indexOf(':');
    bool ok = false;
    const int index = setting.left(colon).toInt(&ok);
    if (colon < 0 || !ok || index < 0 || index >= devices.size()) {
        *error = QStringLiteral("--device %1: wants N:key=value with N below the device count").arg(setting);
        return false;
    }
    EmulatedDevice &device = devices[index];
    const QStringList pairs = setting.mid(colon + 1).split(',', Qt::SkipEmptyParts);
    for (const QString &pair : pairs) {
        const QString key = pair.section('=', 0, 0);
        const QString value = pair.section('=', 1);
        bool valid = true;
        if (key == "mac") {
            valid = parseMac(value, &device.mac);
        } else if (key == "ip") {
            valid = parseIpv4(value, &device.ip);
        } else if (key == "platform") {
            device.platformCode = value.toUInt(&valid);
        } else if (key == "name") {
            device.platformName = value;
        } else if (key == "title") {
            device.title = value;
        } else if (key == "firmware") {
            device.firmware = value;
        } else if (key == "tag") {
            device.tag = value;
        } else if (key == "version") {
            device.replyVersion = static_cast<quint8>(value.toUInt(&valid));
        } else if (key == "status") {
            device.status = value.toUInt(&valid, 0);
        } else if (key == "reply") {
            device.replySize = value.toInt(&valid);
            valid = valid && device.replySize >= 234 && device.replySize <= 1511; // one frame
        } else if (key == "flash") {
            valid = value == "standard" || value == "large";
            device.largeFlash = value == "large";
        } else if (key == "netsupport") {
            device.netSupport = static_cast<quint16>(value.toUInt(&valid, 0));
        } else if (key == "late") {
            device.lateMs = value.toInt(&valid);
            valid = valid && device.lateMs >= 0;
        } else if (key == "malformed") {
            device.malformed = true;
        } else if (key == "silent") {
            device.silent = true;
        } else {
            valid = false;
        }
        if (!valid) {
            *error = QStringLiteral("--device %1: bad setting '%2'").arg(setting, pair);
            return false;
        }
    }
    return true;
}
