#ifndef PCAPDEVICENAME_H
#define PCAPDEVICENAME_H

#include <QString>

// The name under which the packet-capture library opens a network interface.
// The Windows capture driver prefixes the adapter's GUID with "\Device\NPF_";
// elsewhere libpcap opens an interface by its system name.
QString pcapDeviceName(const QString &interfaceName);

#endif // PCAPDEVICENAME_H
