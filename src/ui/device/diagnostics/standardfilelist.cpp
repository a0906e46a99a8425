#include "standardfilelist.h"

namespace {

// In the order fetched; "startup.bat" twice, as the device keeps it in two places.
const char *const kDeviceFiles[] = {
    "config.csv",
    "system.ini", "network.ini", "serial.ini", "modbus.ini", "ethernetip.ini", "profinet.ini",
    "bacnet.ini", "dnp3.ini", "snmp.ini", "users.ini", "logging.ini",
    "gateway.cfg", "tags.db", "config.bak",
    "startup.bat", "upgrade.bat", "restore.bat", "startup.bat", "cleanup.bat",
    "version.txt", "dirlist.txt", "errors.txt",
    "ax_tcp.ini",
    "ardx0a1b.gsd", "ardx0a1c.gsd", "ardentix.eds", "ARDENTIX.MIB", "ardentix.mib",
    "ardentix.xif", "ardentix.gse",
    "kernel.bss", "app.bss", "boot.sys", "io.sys", "kernel.ss1", "app.ss1",
    "image.bp1", "image.bp2",
};

} // namespace

QStringList StandardFileList::fullList(const QString &devicePlatform, const QString &firmwareFileName)
{
    QStringList names;
    for (const char *name : kDeviceFiles)
        names << QString::fromLatin1(name);
    if (devicePlatform == QLatin1String("AX-K700") || devicePlatform == QLatin1String("AX-V60"))
        names << QStringLiteral("bootmenu.exe");
    else
        names << firmwareFileName;
    return names;
}

QStringList StandardFileList::shortList()
{
    return {QStringLiteral("config.csv")};
}
