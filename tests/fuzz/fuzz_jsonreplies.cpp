#include "comm/json/axnetworkreply.h"
#include "comm/json/jsoncomm.h"

#include "model/axmetatypes.h"
#include "model/axsignalobject.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QNetworkProxy>
#include <QNetworkReply>

#include <cstddef>
#include <cstdint>
#include <memory>

// A device's HTTP answer to any request of the JSON-RPC client, through the
// handler its reply type selects: JSON-RPC answers, pages, the security page
// with its redirects, files and the clock. The input is the reply type, the
// HTTP status, the network error, the redirects followed so far, a Location
// (one length byte, then the text) and the body.
//
// The event loop never runs, so the requests the handlers send on (pages,
// redirects) are only queued: nothing leaves the process.
namespace {

const QNetworkReply::NetworkError kErrors[] = {
    QNetworkReply::NoError, QNetworkReply::AuthenticationRequiredError, QNetworkReply::ContentNotFoundError,
    QNetworkReply::ConnectionRefusedError, QNetworkReply::OperationCanceledError,
    QNetworkReply::InternalServerError};

class CannedReply : public QNetworkReply
{
public:
    CannedReply(const QUrl &url, int status, NetworkError error, const QByteArray &location, const QByteArray &body,
                int redirects)
        : m_body(body)
    {
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::Attribute(QNetworkRequest::User + 3), redirects);
        setRequest(request);
        setUrl(url);
        setOperation(QNetworkAccessManager::GetOperation);
        if (status > 0)
            setAttribute(QNetworkRequest::HttpStatusCodeAttribute, status);
        if (!location.isEmpty()) {
            setRawHeader("Location", location);
            setAttribute(QNetworkRequest::RedirectionTargetAttribute, QUrl(QString::fromLatin1(location)));
        }
        setError(error, QStringLiteral("canned %1").arg(int(error)));
        open(QIODevice::ReadOnly);
        setFinished(true);
    }

    void abort() override {}
    qint64 bytesAvailable() const override { return m_body.size() - m_read + QNetworkReply::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = qMin(maxSize, m_body.size() - m_read);
        if (count <= 0)
            return 0; // either pointer may be null then, which memcpy must not get
        memcpy(data, m_body.constData() + m_read, size_t(count));
        m_read += count;
        return count;
    }

private:
    QByteArray m_body;
    qint64 m_read = 0;
};

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    registerAxMetaTypes();
    qInstallMessageHandler(quiet);
    // Should anything ever be sent, it goes nowhere.
    qputenv("AX_CLOUD_HOST", "127.0.0.1:9");
    qputenv("AX_SECURE_GATEWAY_DOMAIN", "invalid");
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 9));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The client is made afresh now and then: the requests its handlers queue pile up.
    static AxSignalObject root(nullptr);
    static std::unique_ptr<JsonComm> client;
    static int uses = 0;
    if (!client || ++uses % 500 == 0) {
        client.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        client = std::make_unique<JsonComm>(nullptr, &root);
    }
    if (size < 6)
        return 0;

    ArdentixDevice device;
    device.setIpAddress(QStringLiteral("10.77.0.2"));
    device.setMacString(QStringLiteral("02:A0:00:00:00:01"));
    device.secureGwSupport = data[0] & 0x80;
    device.setCredentials(QStringLiteral("admin"), QStringLiteral("pw"));
    const quint32 id = client->readObject(device);

    const int replyType = data[0] & 0x1F;
    const int status = 100 + (data[1] | data[2] << 8) % 500;
    const QNetworkReply::NetworkError error = kErrors[data[3] % std::size(kErrors)];
    const int redirects = data[4] % 8;
    const size_t locationLength = qMin<size_t>(data[5], size - 6);
    const QByteArray location(reinterpret_cast<const char *>(data + 6), qsizetype(locationLength));
    const QByteArray body(reinterpret_cast<const char *>(data + 6 + locationLength), qsizetype(size - 6 - locationLength));

    AX_NETWORK_REPLY reply;
    reply.reply = new CannedReply(QUrl(QStringLiteral("http://10.77.0.2/json-rpc.jsn")), status, error, location,
                                  body, redirects);
    reply.requestId = id;
    reply.replyType = quint32(replyType);
    QMetaObject::invokeMethod(client.get(), "ProcessNetworkRepsponse", Qt::DirectConnection,
                              Q_ARG(AX_NETWORK_REPLY, reply));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
