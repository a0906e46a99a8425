#include "platform/pcap/pcapdevicename.h"

QString pcapDeviceName(const QString &interfaceName)
{
#ifdef Q_OS_WIN
    return QStringLiteral("\\Device\\NPF_") + interfaceName;
#else
    return interfaceName;
#endif
}
