#ifndef HTTPCLOUDSERVICE_H
#define HTTPCLOUDSERVICE_H

#include "httpdeviceconfig.h"

#include <QObject>

class HttpDeviceServer;

// Stands in for the maker's cloud: the time service ("/get_time") that the
// toolbox checks for reachability and the secure gateway that it probes for
// each device. The tests point both names at this address.
class HttpCloudService : public QObject
{
    Q_OBJECT

public:
    HttpCloudService(const QHostAddress &address, const HttpDeviceConfig &config, QObject *parent = nullptr);

    bool start(QString *error);

private:
    HttpDeviceServer *webServer;
};

#endif // HTTPCLOUDSERVICE_H
