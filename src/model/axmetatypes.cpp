#include "axmetatypes.h"

#include "ardentixdevice.h"
#include "axtypes.h"
#include "configsettings.h"

void registerAxMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<ArdentixDevice>("ArdentixDevice");
        qRegisterMetaType<CONFIG_SETTINGS>("CONFIG_SETTINGS");
        qRegisterMetaType<DISCOVERY_STATE>("DISCOVERY_STATE");
        qRegisterMetaType<VEK_NET_SUPPORT>("VEK_NET_SUPPORT");
        qRegisterMetaType<SECURITY_STATUS>("SECURITY_STATUS");
        qRegisterMetaType<FILE_TRANSFER_STATE>("FILE_TRANSFER_STATE");
        return true;
    }();
    Q_UNUSED(registered);
}
