#ifndef EMULATOROPTIONS_H
#define EMULATOROPTIONS_H

#include "emulateddevice.h"
#include "httpdeviceconfig.h"

#include <QList>
#include <QString>
#include <QStringList>

// The command line of the emulator:
//   --interface NAME     the network interface the gateways sit on (required)
//   --devices N          how many gateways (default 1)
//   --base-mac MAC       MAC of the first gateway; the others count up (default 02:A0:00:00:00:01)
//   --base-ip ADDRESS    IPv4 address of the first gateway; the others count up (default 10.77.0.100)
//   --prefix BITS        subnet prefix length of every gateway (default 24)
//   --platform CODE      platform code of every gateway (default 300)
//   --title TEXT         configuration title; "%1" becomes the gateway's number (default "Gateway %1")
//   --firmware TEXT      firmware version text (default 6.21.0)
//   --device N:KEY=VALUE[,KEY=VALUE...]   settings of gateway N (from 0), repeatable; keys:
//        mac, ip, platform, name, title, firmware, tag, version, status, reply (frame size, 234 to 1511),
//        flash (standard or large), netsupport, late (ms), and the switches malformed, silent
class EmulatorOptions
{
public:
    bool parse(const QStringList &arguments, QString *error);

    QString interfaceName;
    QList<EmulatedDevice> devices;
    HttpDeviceConfig http; // the web side, see HttpDeviceConfig::addOptions

private:
    bool applyDeviceSetting(const QString &setting, QString *error);
};

#endif // EMULATOROPTIONS_H
