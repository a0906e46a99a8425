#include "httpdeviceserver.h"

#include "emulatorlog.h"
#include "hostileanswer.h"

#include <QFile>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

namespace {

const int kMaxHeadBytes = 64 * 1024;
const int kMaxBodyBytes = 64 * 1024 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 413: return "Payload Too Large";
    default: return "Status";
    }
}

// Writes the next block whenever the last has gone, as long as the client reads.
void writeForEver(QTcpSocket *socket)
{
    const QByteArray block(64 * 1024, 'x');
    const auto more = [socket, block] {
        if (socket->bytesToWrite() < block.size())
            socket->write(block);
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
}

void writeResponse(QTcpSocket *socket, const HttpResponse &response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    head += "Content-Type: " + response.contentType + "\r\n";
    if (!response.endless)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto &header : response.headers)
        head += header.first + ": " + header.second + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head + response.body);
    if (response.endless)
        writeForEver(socket);
    else
        socket->disconnectFromHost();
}

// Decodes a chunked body; false while it is not complete yet.
bool decodeChunked(const QByteArray &data, QByteArray *body)
{
    body->clear();
    int at = 0;
    for (;;) {
        const int lineEnd = data.indexOf("\r\n", at);
        if (lineEnd < 0)
            return false;
        bool ok = false;
        const int size = data.mid(at, lineEnd - at).split(';').first().trimmed().toInt(&ok, 16);
        if (!ok || size < 0)
            return false;
        at = lineEnd + 2;
        if (size == 0)
            return true;
        if (data.size() < at + size + 2)
            return false;
        body->append(data.mid(at, size));
        at += size + 2;
    }
}

} // namespace

HttpDeviceServer::HttpDeviceServer(const QHostAddress &address, const HttpDeviceConfig &config, QObject *parent)
    : QObject(parent)
    , listenAddress(address)
    , deviceConfig(config)
{
    fallback.handler = [](const HttpRequest &) { return HttpResponse::text(404, "404 Not Found"); };
    fallback.requiresAuth = false;
}

bool HttpDeviceServer::start(QString *error)
{
    if (!httpServer.listen(listenAddress, deviceConfig.httpPort)) {
        *error = QStringLiteral("HTTP on %1:%2: %3")
                     .arg(listenAddress.toString()).arg(deviceConfig.httpPort).arg(httpServer.errorString());
        return false;
    }
    acceptConnections(&httpServer, false);
    if (!deviceConfig.httpsEnabled())
        return true;

    QFile certificateFile(deviceConfig.certificateFile);
    QFile keyFile(deviceConfig.keyFile);
    if (!certificateFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        *error = "cannot read " + deviceConfig.certificateFile + " or " + deviceConfig.keyFile;
        return false;
    }
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setLocalCertificate(QSslCertificate(&certificateFile, QSsl::Pem));
    ssl.setPrivateKey(QSslKey(&keyFile, QSsl::Rsa, QSsl::Pem));
    ssl.setPeerVerifyMode(QSslSocket::VerifyNone);
    if (ssl.localCertificate().isNull() || ssl.privateKey().isNull()) {
        *error = "bad certificate or key: " + deviceConfig.certificateFile + ", " + deviceConfig.keyFile;
        return false;
    }
    httpsServer.setSslConfiguration(ssl);
    if (!httpsServer.listen(listenAddress, deviceConfig.httpsPort)) {
        *error = QStringLiteral("HTTPS on %1:%2: %3")
                     .arg(listenAddress.toString()).arg(deviceConfig.httpsPort).arg(httpsServer.errorString());
        return false;
    }
    acceptConnections(&httpsServer, true);
    return true;
}

void HttpDeviceServer::setHandler(const QString &path, Handler handler, bool requiresAuth)
{
    routes.insert(path, Route{std::move(handler), requiresAuth});
}

void HttpDeviceServer::setFallbackHandler(Handler handler, bool requiresAuth)
{
    fallback = Route{std::move(handler), requiresAuth};
}

QHostAddress HttpDeviceServer::address() const
{
    return listenAddress;
}

const HttpDeviceConfig &HttpDeviceServer::config() const
{
    return deviceConfig;
}

void HttpDeviceServer::acceptConnections(QTcpServer *server, bool secure)
{
    connect(server, &QTcpServer::pendingConnectionAvailable, this, [this, server, secure] {
        while (QTcpSocket *socket = server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, secure] { readRequest(socket, secure); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                buffers.remove(socket);
                continued.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

void HttpDeviceServer::readRequest(QTcpSocket *socket, bool secure)
{
    QByteArray &buffer = buffers[socket];
    buffer += socket->readAll();
    const int headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (buffer.size() > kMaxHeadBytes)
            writeResponse(socket, HttpResponse::text(400, "400 Bad Request"));
        return;
    }

    HttpRequest request;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() < 3) {
        writeResponse(socket, HttpResponse::text(400, "400 Bad Request"));
        return;
    }
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines.at(i).indexOf(':');
        if (colon > 0)
            request.headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
    }

    const QByteArray rest = buffer.mid(headEnd + 4);
    if (request.headers.value("transfer-encoding").toLower() == "chunked") {
        if (!decodeChunked(rest, &request.body)) {
            if (rest.size() > kMaxBodyBytes)
                writeResponse(socket, HttpResponse::text(413, "413 Payload Too Large"));
            return;
        }
    } else {
        const int length = request.headers.value("content-length", "0").toInt();
        if (length < 0 || length > kMaxBodyBytes) {
            writeResponse(socket, HttpResponse::text(413, "413 Payload Too Large"));
            return;
        }
        if (rest.size() < length) {
            if (request.headers.value("expect").toLower() == "100-continue" && !continued.contains(socket)) {
                continued.insert(socket);
                socket->write("HTTP/1.1 100 Continue\r\n\r\n");
            }
            return;
        }
        request.body = rest.left(length);
    }
    buffers.remove(socket);
    continued.remove(socket);
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);

    request.method = requestLine.at(0);
    const QByteArray target = requestLine.at(1);
    const int queryAt = target.indexOf('?');
    request.path = QUrl::fromPercentEncoding(queryAt < 0 ? target : target.left(queryAt));
    request.query = queryAt < 0 ? QString() : QString::fromLatin1(target.mid(queryAt + 1));
    request.localAddress = socket->localAddress();
    request.secure = secure;

    if (deviceConfig.delayMs > 0) {
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(deviceConfig.delayMs, this, [this, guard, request] {
            if (guard)
                answer(guard, request);
        });
        return;
    }
    answer(socket, request);
}

void HttpDeviceServer::answer(QTcpSocket *socket, const HttpRequest &request)
{
    const Route route = routes.value(request.path, fallback);
    const QByteArray auth = authorisation(request);
    EmulatorLog::line("HTTP " + listenAddress.toString() + ' ' + QString::fromLatin1(request.method) + ' ' + request.path
                                      + (request.query.isEmpty() ? QString() : '?' + request.query)
                                      + " auth=" + QString::fromLatin1(auth)
                                      + (request.secure ? " https" : " http"));
    if (!deviceConfig.hostileAnswer.isEmpty()) {
        HostileAnswer::start(socket, deviceConfig.hostileAnswer);
        return;
    }

    if (route.requiresAuth && deviceConfig.authenticationEnabled() && auth != "ok") {
        HttpResponse refused = HttpResponse::text(401, "401 Unauthorized");
        refused.headers.append(qMakePair(QByteArray("WWW-Authenticate"), QByteArray("Basic realm=\"Ardentix gateway\"")));
        writeResponse(socket, refused);
        return;
    }
    writeResponse(socket, route.handler(request));
}

// "none" without credentials, "ignored" with authentication off, "ok" for
// the device's own, else "refused".
QByteArray HttpDeviceServer::authorisation(const HttpRequest &request) const
{
    const QByteArray header = request.headers.value("authorization");
    if (header.isEmpty())
        return "none";
    if (!deviceConfig.authenticationEnabled())
        return "ignored";
    const QByteArray expected = "Basic " + (deviceConfig.user + ':' + deviceConfig.password).toUtf8().toBase64();
    if (header == expected && !deviceConfig.refuseCredentials)
        return "ok";
    return "refused";
}
