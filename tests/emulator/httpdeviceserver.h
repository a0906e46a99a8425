#ifndef HTTPDEVICESERVER_H
#define HTTPDEVICESERVER_H

#include "httpdeviceconfig.h"
#include "httpmessage.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QSslServer>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

// The web server of one emulated device, on the device's own address: plain
// HTTP and, with a certificate, HTTPS. Requests go to the handler of their
// path; HTTP Basic authentication, late answers and refused credentials are
// applied here for every handler.
class HttpDeviceServer : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;

    HttpDeviceServer(const QHostAddress &address, const HttpDeviceConfig &config, QObject *parent = nullptr);

    bool start(QString *error);

    // requiresAuth: answered 401 without the device's credentials when
    // authentication is on.
    void setHandler(const QString &path, Handler handler, bool requiresAuth = true);
    // For every path without a handler of its own (device files).
    void setFallbackHandler(Handler handler, bool requiresAuth = true);

    QHostAddress address() const;
    const HttpDeviceConfig &config() const;

private:
    struct Route {
        Handler handler;
        bool requiresAuth = true;
    };

    void acceptConnections(QTcpServer *server, bool secure);
    void readRequest(QTcpSocket *socket, bool secure);
    void answer(QTcpSocket *socket, const HttpRequest &request);
    QByteArray authorisation(const HttpRequest &request) const;

    QHostAddress listenAddress;
    HttpDeviceConfig deviceConfig;
    QTcpServer httpServer;
    QSslServer httpsServer;
    QHash<QString, Route> routes;
    Route fallback;
    QHash<QTcpSocket *, QByteArray> buffers;
    QSet<QTcpSocket *> continued; // sockets told "100 Continue"
};

#endif // HTTPDEVICESERVER_H
