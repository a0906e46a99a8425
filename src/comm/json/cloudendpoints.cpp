#include "comm/json/cloudendpoints.h"

#include <QtGlobal>

namespace CloudEndpoints {

namespace {

const char *const kTimeServiceHost = "cloud.ardentix.com";
const char *const kSecureGatewayDomain = "securegw.ardentix.com";

QString fromEnvironment(const char *name, const char *fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QString::fromLatin1(fallback) : value;
}

} // namespace

QString timeServiceHost()
{
    static const QString host = fromEnvironment("AX_CLOUD_HOST", kTimeServiceHost);
    return host;
}

QString secureGatewayDomain()
{
    static const QString domain = fromEnvironment("AX_SECURE_GATEWAY_DOMAIN", kSecureGatewayDomain);
    return domain;
}

} // namespace CloudEndpoints
