#ifndef CLOUDENDPOINTS_H
#define CLOUDENDPOINTS_H

#include <QString>

// The maker's cloud as the JSON-RPC client reaches it: the time service whose
// "/get_time" tells whether the cloud is reachable, and the secure-gateway
// domain under which each device has a name. Each is one constant, which the
// environment variables AX_CLOUD_HOST and AX_SECURE_GATEWAY_DOMAIN replace
// (read once, at the first use), so tests can point them at the emulator.
namespace CloudEndpoints {

QString timeServiceHost();
QString secureGatewayDomain();

} // namespace CloudEndpoints

#endif // CLOUDENDPOINTS_H
