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
    , parser(HttpResponseParser::Limits{maxBodyBytes})
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
    connect(socket, &QTcpSocket::readyRead, this, &DirectHttpReply::readSlice);
    connect(socket, &QTcpSocket::disconnected, this, &DirectHttpReply::onDisconnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &DirectHttpReply::onSocketError);
    // An address goes direct, as DirectAddressProxyFactory says; asking the
    // system's proxy resolver for every connection costs more than the request.
    socket->setProxy(QNetworkProxy::NoProxy);
    // Unbuffered: the request goes out as it is written and the answer is read
    // straight into the parser, with no buffers and notifier turns of the
    // socket's own in between; what is not read yet waits in the system's buffer.
    socket->connectToHost(QHostAddress(request.url().host()), quint16(request.url().port(80)),
                          QIODevice::ReadWrite | QIODevice::Unbuffered);
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
    return parser.body().size() - readPosition + QNetworkReply::bytesAvailable();
}

bool DirectHttpReply::isSequential() const
{
    return true;
}

qint64 DirectHttpReply::readData(char *data, qint64 maxSize)
{
    const QByteArray &content = parser.body();
    const qint64 count = std::min<qint64>(maxSize, content.size() - readPosition);
    if (count <= 0)
        return isFinished() ? -1 : 0;
    std::memcpy(data, content.constData() + readPosition, size_t(count));
    readPosition += count;
    return count;
}

// One slice per call; the next waits for the event loop to turn.
void DirectHttpReply::readSlice()
{
    sliceQueued = false;
    if (isFinished())
        return;
    const bool hadHead = parser.headComplete();
    const qint64 before = parser.body().size();
    // One buffer for every reply of the thread: a slice is fed to the parser at once.
    thread_local QByteArray slice;
    if (slice.size() < kReadSliceBytes)
        slice.resize(kReadSliceBytes);
    const qint64 got = peerClosed ? -1 : socket->read(slice.data(), kReadSliceBytes);
    if (got > 0)
        parser.feed(QByteArrayView(slice.constData(), got));
    // An unbuffered socket tells of the close by the read that finds it.
    if (got < 0 && !peerClosed) {
        if (socket->error() != QAbstractSocket::RemoteHostClosedError) {
            onSocketError();
            return;
        }
        peerClosed = true;
    }
    if (peerClosed)
        parser.close();
    if (!hadHead && parser.headComplete())
        takeHead();
    if (parser.body().size() > before) {
        emit readyRead();
        emit downloadProgress(parser.body().size(), parser.contentLength());
    }
    if (isFinished())
        return; // aborted by a receiver

    switch (parser.state()) {
    case HttpResponseParser::State::Complete:
        finishAnswered();
        return;
    case HttpResponseParser::State::Failed:
        if (parser.failure() == HttpResponseParser::Failure::BodyTooLarge)
            abort();
        else if (parser.failure() == HttpResponseParser::Failure::Closed)
            finishWith(RemoteHostClosedError, tr("Connection closed"));
        else
            finishWith(ProtocolFailure, parser.errorText());
        return;
    default:
        break;
    }
    if (!sliceQueued && got == kReadSliceBytes) {
        sliceQueued = true;
        QMetaObject::invokeMethod(this, &DirectHttpReply::readSlice, Qt::QueuedConnection);
    }
}

// What the socket still holds is read first; the parser then learns of the close.
void DirectHttpReply::onDisconnected()
{
    peerClosed = true;
    readSlice();
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

void DirectHttpReply::takeHead()
{
    const int status = parser.status();
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, status);
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, QString::fromLatin1(parser.reason()));
    for (const auto &field : parser.fields())
        setRawHeader(field.first, field.second);
    // Only a web page is followed; file: and the like are not the device's to name.
    if (isRedirect(status)) {
        const QUrl target = QUrl::fromEncoded(parser.field("Location"));
        const QString scheme = url().resolved(target).scheme();
        if (!target.isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
            setAttribute(QNetworkRequest::RedirectionTargetAttribute, target);
    }
    emit metaDataChanged();
}

void DirectHttpReply::finishAnswered()
{
    const NetworkError code = errorForStatus(parser.status());
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
