#ifndef NETWORKSETTINGSFILES_H
#define NETWORKSETTINGSFILES_H

#include <QByteArray>
#include <QString>
#include <QStringList>

class DeviceSet;
class VekFileService;
struct EmulatedDevice;

// Every gateway's "ax_tcp.ini": the network settings file a gateway serves
// from its own settings (one or two ports by its platform, name servers on
// platforms 303 and 351 from firmware 6.16), and logs when one is sent in:
//   NETWORK <mac> stored <the file in hex>   or   NETWORK <mac> refused
// Its option, taken out of the command line before the rest is parsed:
//   --network-settings MODE   served (default), absent: no file to fetch,
//                             refused: the file is served, a new one not taken
class NetworkSettingsFiles
{
public:
    static const QString FileName;

    // The arguments without this option; false with a reason on a bad value.
    bool take(const QStringList &arguments, QStringList *rest, QString *error);
    // Seeds the gateways' file systems (a file already there stays) and watches them.
    void install(DeviceSet *devices, VekFileService *files) const;

    static QByteArray defaultFile(const EmulatedDevice &device);

private:
    static int portCount(quint32 platformCode);
    static bool hasNameServers(const EmulatedDevice &device);

    QString m_mode = QStringLiteral("served");
};

#endif // NETWORKSETTINGSFILES_H
