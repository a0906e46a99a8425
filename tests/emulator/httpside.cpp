#include "httpside.h"

#include "deviceset.h"
#include "httpcloudservice.h"
#include "httpdevice.h"

bool startHttpSide(DeviceSet *devices, const HttpDeviceConfig &config, QObject *parent, QString *error,
                   QList<HttpDevice *> *started)
{
    if (!config.enabled)
        return true;
    for (EmulatedDevice *device : devices->all()) {
        HttpDevice *web = new HttpDevice(device->ip, config, parent);
        if (!web->start(error))
            return false;
        if (started)
            started->append(web);
    }
    if (!config.cloudAddress.isNull()) {
        HttpCloudService *cloud = new HttpCloudService(config.cloudAddress, config, parent);
        if (!cloud->start(error))
            return false;
    }
    return true;
}
