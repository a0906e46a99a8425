#include "networksettingsfiles.h"

#include "devicefilestore.h"
#include "deviceset.h"
#include "emulatorlog.h"
#include "vekfileservice.h"

#include <QRegularExpression>

const QString NetworkSettingsFiles::FileName = QStringLiteral("ax_tcp.ini");

bool NetworkSettingsFiles::take(const QStringList &arguments, QStringList *rest, QString *error)
{
    rest->clear();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.startsWith(QLatin1String("--network-settings="))) {
            m_mode = argument.section(QLatin1Char('='), 1);
        } else if (argument == QLatin1String("--network-settings") && i + 1 < arguments.size()) {
            m_mode = arguments.at(++i);
        } else {
            rest->append(argument);
            continue;
        }
        if (m_mode != QLatin1String("served") && m_mode != QLatin1String("absent")
            && m_mode != QLatin1String("refused")) {
            *error = QStringLiteral("--network-settings wants served, absent or refused");
            return false;
        }
    }
    return true;
}

void NetworkSettingsFiles::install(DeviceSet *devices, VekFileService *files) const
{
    const bool refuse = m_mode == QLatin1String("refused");
    for (EmulatedDevice *device : devices->all()) {
        DeviceFileStore *store = files->store(device->ip);
        if (!store)
            continue;
        if (m_mode != QLatin1String("absent") && !store->contains(FileName))
            store->store(FileName, defaultFile(*device));
        const QString mac = device->macText();
        store->setWriteGuard([mac, refuse](const QString &name, const QByteArray &contents) {
            if (name != FileName)
                return true;
            EmulatorLog::line(QStringLiteral("NETWORK %1 ").arg(mac)
                              + (refuse ? QStringLiteral("refused")
                                        : QStringLiteral("stored ") + QString::fromLatin1(contents.toHex())));
            return !refuse;
        });
    }
}

// As a gateway writes it: LF line ends, and a key the toolbox does not show.
QByteArray NetworkSettingsFiles::defaultFile(const EmulatedDevice &device)
{
    const quint32 address = device.ip.toIPv4Address();
    const quint32 mask = device.prefixLength == 0 ? 0 : 0xFFFFFFFFu << (32 - device.prefixLength);
    const QString gateway = QHostAddress((address & mask) | 1).toString();
    QByteArray text = "; network settings\n";
    text += "N1_IP = " + device.ip.toString().toLatin1() + '\n';
    text += "N1_NETMASK = " + QHostAddress(mask).toString().toLatin1() + '\n';
    text += "N1_GATEWAY = " + gateway.toLatin1() + '\n';
    text += "N1_DHCPC = DISABLED\nN1_DHCPS = disabled\n";
    if (hasNameServers(device))
        text += "DNS1_IP = 10.0.0.53\nDNS2_IP = 10.0.0.54\n";
    if (portCount(device.platformCode) == 2) {
        text += "N2_IP = 192.168.2." + QByteArray::number(address & 0xFF) + '\n';
        text += "N2_NETMASK = 255.255.255.0\nN2_GATEWAY = 192.168.2.1\n";
        text += "N2_DHCPC = DISABLED\nN2_DHCPS = ENABLED\n";
    }
    text += "SNTP_SERVER = 0.0.0.0\n";
    return text;
}

int NetworkSettingsFiles::portCount(quint32 platformCode)
{
    return (platformCode >= 100 && platformCode <= 104) || platformCode == 300 || platformCode == 303 ? 2 : 1;
}

bool NetworkSettingsFiles::hasNameServers(const EmulatedDevice &device)
{
    if (device.platformCode != 303 && device.platformCode != 351)
        return false;
    const QRegularExpressionMatch version = QRegularExpression(QStringLiteral("(\\d+)\\.(\\d+)")).match(device.firmware);
    if (!version.hasMatch())
        return false;
    const int major = version.captured(1).toInt();
    return major > 6 || (major == 6 && version.captured(2).toInt() >= 16);
}
