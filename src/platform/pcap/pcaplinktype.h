#ifndef PCAPLINKTYPE_H
#define PCAPLINKTYPE_H

#include <QString>

// Whether the packet-capture library handles the interface as an Ethernet
// link (DLT_EN10MB), the only kind on which hand-built Ethernet frames make
// sense. Works for interfaces that are down, which cannot be opened for capture.
bool pcapLinkIsEthernet(const QString &interfaceName);

#endif // PCAPLINKTYPE_H
