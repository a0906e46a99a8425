#ifndef HTTPDEVICE_H
#define HTTPDEVICE_H

#include "httpjsonrpc.h"

#include <QObject>

class HttpDeviceServer;

// The web side of one emulated gateway: JSON-RPC, the web-interface and
// diagnostics pages and the security configuration, on the device's address.
// Other protocols add their paths through server().
class HttpDevice : public QObject
{
    Q_OBJECT

public:
    HttpDevice(const QHostAddress &address, const HttpDeviceConfig &config, QObject *parent = nullptr);

    bool start(QString *error);
    HttpDeviceServer *server() const;

private:
    HttpResponse securityConfiguration(const HttpRequest &request) const;

    HttpDeviceServer *webServer;
    HttpJsonRpc jsonRpc;
};

#endif // HTTPDEVICE_H
