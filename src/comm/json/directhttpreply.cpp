#include "comm/json/directhttpreply.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>

#include <algorithm>
#include <cstring>

namespace {

// The codes and texts the network access manager gives an HTTP error status.
QNetworkReply::NetworkError errorForStatus(int status)
{
    switch (status) {
    case 400: return QNetworkReply::ProtocolInvalidOperationError;
    case 401: return QNetworkReply::AuthenticationRequiredError;
    case 403: return QNetworkReply::ContentAccessDenied;
    case 404: return QNetworkReply::ContentNotFoundError;
    case 405: return QNetworkReply::ContentOperationNotPermittedError;
    case 407: return QNetworkReply::ProxyAuthenticationRequiredError;
    case 409: return QNetworkReply::ContentConflictError;
    case 410: return QNetworkReply::ContentGoneError;
    case 418: return QNetworkReply::ProtocolInvalidOperationError;
    case 500: return QNetworkReply::InternalServerError;
    case 501: return QNetworkReply::OperationNotImplementedError;
    case 503: return QNetworkReply::ServiceUnavailableError;
    default: break;
    }
    if (status > 500)
        return QNetworkReply::UnknownServerError;
    if (status >= 400)
        return QNetworkReply::UnknownContentError;
    return QNetworkReply::NoError;
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 305 || status == 307
           || status == 308;
}

} // namespace

bool DirectHttpReply::handles(const QNetworkRequest &request)
{
    const QUrl url = request.url();
    return url.scheme() == QLatin1String("http") && url.userInfo().isEmpty()
           && QHostAddress(url.host()).protocol() == QAbstractSocket::IPv4Protocol;
}

DirectHttpReply::DirectHttpReply(QNetworkAccessManager::Operation operation, const QNetworkRequest &request,
                                 const QByteArray &body, qint64 maxBodyBytes, QObject *parent)
    : QNetworkReply(parent)
    , socket(new QTcpSocket(this))
    , maxBody(maxBodyBytes)
{
    setOperation(operation);
    setRequest(request);
    setUrl(request.url());
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    outgoing = requestBytes(body);

    connect(socket, &QTcpSocket::connected, this, [this] {
        socket->write(outgoing);
        outgoing.clear();
    });
    connect(socket, &QTcpSocket::readyRead, this, &DirectHttpReply::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &DirectHttpReply::onDisconnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &DirectHttpReply::onSocketError);
    // An address goes direct, as DirectAddressProxyFactory says; asking the
    // system's proxy resolver for every connection costs more than the request.
    socket->setProxy(QNetworkProxy::NoProxy);
    socket->connectToHost(QHostAddress(request.url().host()), quint16(request.url().port(80)));
}

QByteArray DirectHttpReply::requestBytes(const QByteArray &body) const
{
    const QUrl target = url();
    QByteArray path = target.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (path.isEmpty())
        path = "/";
    QByteArray host = target.host().toLatin1();
    if (target.port() != -1 && target.port() != 80)
        host += ':' + QByteArray::number(target.port());

    const bool post = operation() == QNetworkAccessManager::PostOperation;
    QByteArray bytes = (post ? "POST " : "GET ") + path + " HTTP/1.1\r\nHost: " + host + "\r\n";
    const QNetworkRequest sent = request();
    for (const QByteArray &name : sent.rawHeaderList())
        bytes += name + ": " + sent.rawHeader(name) + "\r\n";
    if (post || !body.isEmpty())
        bytes += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    bytes += "Connection: close\r\n\r\n" + body;
    return bytes;
}

void DirectHttpReply::abort()
{
    finishWith(OperationCanceledError, tr("Operation canceled"));
}

qint64 DirectHttpReply::bytesAvailable() const
{
    return content.size() - readPosition + QNetworkReply::bytesAvailable();
}

bool DirectHttpReply::isSequential() const
{
    return true;
}

qint64 DirectHttpReply::readData(char *data, qint64 maxSize)
{
    const qint64 count = std::min<qint64>(maxSize, content.size() - readPosition);
    if (count <= 0)
        return isFinished() ? -1 : 0;
    std::memcpy(data, content.constData() + readPosition, size_t(count));
    readPosition += count;
    return count;
}

void DirectHttpReply::onReadyRead()
{
    if (isFinished())
        return;
    incoming += socket->readAll();
    const qint64 before = content.size();
    if (!parse())
        return;
    if (content.size() > before) {
        emit readyRead();
        emit downloadProgress(content.size(), remaining < 0 ? -1 : content.size() + remaining);
    }
}

void DirectHttpReply::onDisconnected()
{
    onReadyRead();
    if (isFinished())
        return;
    if (stage == Stage::Body && remaining < 0)
        finishAnswered(); // the close ends a body of no stated length
    else
        finishWith(RemoteHostClosedError, tr("Connection closed"));
}

void DirectHttpReply::onSocketError()
{
    switch (socket->error()) {
    case QAbstractSocket::RemoteHostClosedError:
        onDisconnected();
        break;
    case QAbstractSocket::ConnectionRefusedError:
        finishWith(ConnectionRefusedError, tr("Connection refused"));
        break;
    case QAbstractSocket::HostNotFoundError:
        finishWith(HostNotFoundError, tr("Host %1 not found").arg(url().host()));
        break;
    case QAbstractSocket::SocketTimeoutError:
        finishWith(TimeoutError, tr("Socket operation timed out"));
        break;
    default:
        finishWith(UnknownNetworkError, socket->errorString());
        break;
    }
}

// False once the reply has finished.
bool DirectHttpReply::parse()
{
    QByteArray line;
    while (!isFinished()) {
        switch (stage) {
        case Stage::StatusLine:
            if (!readLine(&line))
                return true;
            if (!takeStatusLine(line))
                return false;
            stage = Stage::Headers;
            break;
        case Stage::Headers:
            if (!readLine(&line))
                return true;
            if (!line.isEmpty())
                takeHeader(line);
            else if (status >= 100 && status < 200)
                stage = Stage::StatusLine; // an interim answer; the real one follows
            else
                startBody();
            break;
        case Stage::Body:
        case Stage::ChunkData:
            if (incoming.isEmpty())
                return true;
            takeBody(remaining < 0 ? incoming.size() : std::min<qint64>(remaining, incoming.size()));
            if (content.size() > maxBody) {
                abort();
                return false;
            }
            if (remaining == 0 && stage == Stage::Body)
                finishAnswered();
            else if (remaining == 0)
                stage = Stage::ChunkEnd;
            break;
        case Stage::ChunkSize: {
            if (!readLine(&line))
                return true;
            bool ok = false;
            remaining = line.split(';').first().trimmed().toLongLong(&ok, 16);
            if (!ok || remaining < 0) {
                finishWith(ProtocolFailure, tr("Invalid chunk size"));
                return false;
            }
            stage = remaining == 0 ? Stage::Trailer : Stage::ChunkData;
            break;
        }
        case Stage::ChunkEnd:
            if (!readLine(&line))
                return true;
            stage = Stage::ChunkSize;
            break;
        case Stage::Trailer:
            if (!readLine(&line))
                return true;
            if (line.isEmpty())
                finishAnswered();
            break;
        }
    }
    return false;
}

bool DirectHttpReply::readLine(QByteArray *line)
{
    const qsizetype end = incoming.indexOf('\n');
    if (end < 0)
        return false;
    *line = incoming.left(end);
    if (line->endsWith('\r'))
        line->chop(1);
    incoming.remove(0, end + 1);
    return true;
}

bool DirectHttpReply::takeStatusLine(const QByteArray &line)
{
    const QList<QByteArray> parts = line.split(' ');
    bool ok = false;
    status = parts.value(1).toInt(&ok);
    if (!line.startsWith("HTTP/") || !ok) {
        finishWith(ProtocolFailure, tr("Invalid HTTP response"));
        return false;
    }
    const qsizetype reasonStart = line.indexOf(' ', line.indexOf(' ') + 1);
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, status);
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute,
                 QString::fromLatin1(reasonStart < 0 ? QByteArray() : line.mid(reasonStart + 1)));
    return true;
}

void DirectHttpReply::takeHeader(const QByteArray &line)
{
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return;
    const QByteArray name = line.left(colon).trimmed();
    const QByteArray value = line.mid(colon + 1).trimmed();
    // Repeated fields read as one, the way the network access manager joins them.
    const QByteArray earlier = rawHeader(name);
    setRawHeader(name, earlier.isEmpty() ? value : earlier + ", " + value);
}

void DirectHttpReply::startBody()
{
    if (isRedirect(status) && hasRawHeader("Location"))
        setAttribute(QNetworkRequest::RedirectionTargetAttribute, QUrl::fromEncoded(rawHeader("Location")));
    emit metaDataChanged();
    if (status == 204 || status == 304) {
        finishAnswered();
        return;
    }
    if (rawHeader("Transfer-Encoding").toLower().contains("chunked")) {
        stage = Stage::ChunkSize;
        return;
    }
    bool ok = false;
    const qint64 length = rawHeader("Content-Length").toLongLong(&ok);
    remaining = ok && length >= 0 ? length : -1;
    stage = Stage::Body;
    if (remaining == 0)
        finishAnswered();
}

void DirectHttpReply::takeBody(qint64 count)
{
    content += incoming.left(count);
    incoming.remove(0, count);
    if (remaining >= 0)
        remaining -= count;
}

void DirectHttpReply::finishAnswered()
{
    const NetworkError code = errorForStatus(status);
    if (code == NoError) {
        finishWith(NoError, QString());
        return;
    }
    if (code == AuthenticationRequiredError) {
        finishWith(code, tr("Host requires authentication"));
        return;
    }
    const QString reason = attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    finishWith(code, tr("Error transferring %1 - server replied: %2").arg(url().toString(), reason));
}

void DirectHttpReply::finishWith(NetworkError code, const QString &text)
{
    if (isFinished())
        return;
    socket->disconnect(this);
    socket->abort();
    if (code != NoError)
        setError(code, text);
    setFinished(true);
    if (code != NoError)
        emit errorOccurred(code);
    emit finished();
}
