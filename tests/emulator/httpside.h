#ifndef HTTPSIDE_H
#define HTTPSIDE_H

#include "httpdeviceconfig.h"

#include <QList>

class DeviceSet;
class HttpDevice;
class QObject;

// Starts the web side of every device of the set on its own address, and the
// cloud stand-in when one is configured; nothing when the web side is off.
// The devices' web sides are appended to started, if given, so other
// protocols can add their paths.
bool startHttpSide(DeviceSet *devices, const HttpDeviceConfig &config, QObject *parent, QString *error,
                   QList<HttpDevice *> *started = nullptr);

#endif // HTTPSIDE_H
