#ifndef HTTPJSONRPC_H
#define HTTPJSONRPC_H

#include "httpdeviceconfig.h"
#include "httpmessage.h"

#include <QDateTime>
#include <QJsonObject>

// The JSON-RPC 2.0 methods of one emulated device at "/json-rpc.jsn", with
// the device clock that "System Time Synch" sets and "Read System Time" reads.
class HttpJsonRpc
{
public:
    HttpJsonRpc(const QHostAddress &address, const HttpDeviceConfig &config);

    HttpResponse handle(const HttpRequest &request);

    // The clock as the device writes it: "Mon Dec  7 09:05:03 2026".
    static QString clockText(const QDateTime &time);

private:
    QJsonObject call(const QString &method, const QJsonObject &params);
    QJsonObject setClock(const QJsonObject &params);

    QHostAddress deviceAddress;
    HttpDeviceConfig deviceConfig;
    qint64 clockOffsetMs = 0;
};

#endif // HTTPJSONRPC_H
