#include "comm/json/jsoncomm.h"

#include "comm/json/cloudendpoints.h"
#include "comm/json/jsontext.h"

#include "model/axsignalobject.h"

#include <QDebug>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {

const int kDnsCheckIntervalMs = 3000;
const int kHttpPort = 80;

} // namespace

JsonComm::JsonComm(QObject *owner, AxSignalObject *upstream, int requestDeadlineMs)
    : QObject(owner)
    , networkManager(new QNetworkAccessManager(this))
    , bus(new AxSignalObject(upstream))
    , requestThread(new AxNetworkAccessManager(requestDeadlineMs))
{
    if (!upstream)
        bus->setParent(this);
    // Queued, so a report is handled from the event loop, never inside the watcher's check.
    connect(requestThread, &AxNetworkAccessManager::RequestComplete,
            this, &JsonComm::ProcessNetworkRepsponse, Qt::QueuedConnection);
    connect(requestThread, &AxNetworkAccessManager::RequestTimeOut,
            this, &JsonComm::ProcessNetworkTimeout, Qt::QueuedConnection);
    connect(&dnsCheckTimer, &QTimer::timeout, this, &JsonComm::checkDNS);
    dnsCheckTimer.start(kDnsCheckIntervalMs);
}

JsonComm::~JsonComm()
{
    requestThread->stop();
    requestThread = nullptr;
    dnsCheckTimer.stop();
    delete bus.data(); // goes with its client, not with the upstream relay
}

bool JsonComm::isCloudReachable() const
{
    return cloudReachable;
}

bool JsonComm::isProbe(JSON_REPLY_TYPE replyType)
{
    switch (replyType) {
    case REPLY_SYSTEM_STATUS:
    case REPLY_INDEX_PAGE:
    case REPLY_DIAGNOSTICS_PAGE:
    case REPLY_SECURITY_CONFIG:
    case REPLY_SECURE_DOMAIN:
        return true;
    default:
        return false;
    }
}

void JsonComm::prepareRequest(ArdentixDevice device, QNetworkRequest &request, JSON_REPLY_TYPE replyType)
{
    const quint32 requestId = ++requestCounter;
    const bool probe = isProbe(replyType);
    if (probe)
        ++probesUnderWay[device.ipAddress];
    pendingRequests.insert(requestId, JsonDeviceRequest{device, requestId, QString(), probe});
    request.setAttribute(AxNetworkAccessManager::RequestIdAttribute, requestId);
    request.setAttribute(AxNetworkAccessManager::ReplyTypeAttribute, int(replyType));
    // Redirects are followed by the handlers, which check where they lead.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

    // Certificate leniency belongs to the device's own address, which may
    // serve HTTPS too; credentials only to where the device itself is asked,
    // not to another service a redirect names on that address.
    const QUrl url = request.url();
    if (device.ipAddress.isNull() || QHostAddress(url.host()) != device.ipAddress)
        return;
    request.setAttribute(AxNetworkAccessManager::DeviceCertificateAttribute, true);
    // The device itself is asked as deviceUrl() asks it: plain http on the HTTP port.
    if (url.scheme() != QLatin1String("http") || url.port(kHttpPort) != kHttpPort)
        return;
    if (!device.password.isEmpty() && !device.username.isEmpty()) {
        const QByteArray credentials = (device.username + ':' + device.password).toLocal8Bit();
        request.setRawHeader("Authorization", "Basic " + credentials.toBase64());
    }
}

bool JsonComm::buildJsonRpc(const QString &method, const QVariantMap &params, QByteArray &body) const
{
    const QVariantMap envelope{
        {"id", quint32(QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFF)},
        {"jsonrpc", "2.0"},
        {"method", method},
        {"params", params},
    };
    bool success = false;
    const QByteArray text = JsonText::serialize(envelope, success);
    if (success)
        body.append(text);
    return success;
}

QUrl JsonComm::jsonRpcUrl(const QString &ip)
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(ip);
    url.setPath(QStringLiteral("/json-rpc.jsn"));
    return url;
}

QUrl JsonComm::deviceUrl(const ArdentixDevice &device, const QString &path)
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(device.ipAddress.toString());
    url.setPath(path); // a name holding '?' or '#' stays part of the path
    return url;
}

bool JsonComm::postJsonRpc(ArdentixDevice device, const QString &method, const QVariantMap &params, int kind)
{
    QByteArray body;
    if (!buildJsonRpc(method, params, body)) {
        qDebug() << "[JSON] Request not written:" << method;
        return false;
    }
    JSON_REPLY_TYPE replyType = REPLY_JSON;
    switch (kind) {
    case KIND_SYSTEM_STATUS: replyType = REPLY_SYSTEM_STATUS; break;
    case KIND_UPDATE_IP: replyType = REPLY_UPDATE_IP; break;
    case KIND_AUTH_STATUS: replyType = REPLY_AUTH_STATUS; break;
    case KIND_READ_TIME: replyType = REPLY_SYSTEM_TIME; break;
    default: break;
    }
    QNetworkRequest request(jsonRpcUrl(device.ipAddress.toString()));
    prepareRequest(device, request, replyType);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json;charset=UTF-8"));
    requestThread->post(request, body);
    return true;
}

quint32 JsonComm::postJsonRequest(const QString &method, const QVariantMap &params, ArdentixDevice device)
{
    return postWithReplyType(method, params, device, REPLY_JSON_CALLBACK);
}

quint32 JsonComm::postJsonReadRequest(const QString &method, const QVariantMap &params, ArdentixDevice device)
{
    return postWithReplyType(method, params, device, REPLY_JSON_READ_CALLBACK);
}

quint32 JsonComm::postWithReplyType(const QString &method, const QVariantMap &params,
                                    const ArdentixDevice &device, JSON_REPLY_TYPE replyType)
{
    QByteArray body;
    if (!buildJsonRpc(method, params, body))
        return 0;
    QNetworkRequest request(jsonRpcUrl(device.ipAddress.toString()));
    prepareRequest(device, request, replyType);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json;charset=UTF-8"));
    requestThread->post(request, body);
    return requestCounter;
}

void JsonComm::getPage(const ArdentixDevice &device, const QUrl &url, JSON_REPLY_TYPE replyType,
                       const QByteArray &contentType, int redirects)
{
    QNetworkRequest request(url);
    prepareRequest(device, request, replyType);
    request.setAttribute(RedirectCountAttribute, redirects);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    requestThread->get(request);
}

void JsonComm::RequestIndexPage(ArdentixDevice device)
{
    getPage(device, deviceUrl(device, QStringLiteral("/index.htm")), REPLY_INDEX_PAGE);
}

void JsonComm::RequestGeneralFile(QString remote_file_name, ArdentixDevice device)
{
    getPage(device, deviceUrl(device, '/' + remote_file_name), REPLY_GENERAL_FILE);
    pendingRequests[requestCounter].fileName = remote_file_name.section(QLatin1Char('/'), -1);
}

void JsonComm::RequestDiagnosticsPage(ArdentixDevice device)
{
    getPage(device, deviceUrl(device, QStringLiteral("/diagnosticComponent/ui/")), REPLY_DIAGNOSTICS_PAGE);
}

void JsonComm::requestSecurityConfig(ArdentixDevice device)
{
    getPage(device, deviceUrl(device, QStringLiteral("/appHost/webServerSecurityConfigured")),
            REPLY_SECURITY_CONFIG, "application/json");
}

void JsonComm::requestSecurityConfigUrl(ArdentixDevice device, QUrl url, int redirects)
{
    getPage(device, url, REPLY_SECURITY_CONFIG, "application/json", redirects);
}

ArdentixDevice JsonComm::takePendingRequest(quint32 id)
{
    return takePendingEntry(id).device;
}

JsonDeviceRequest JsonComm::takePendingEntry(quint32 id)
{
    const JsonDeviceRequest entry = pendingRequests.take(id);
    if (entry.probe) {
        const auto underWay = probesUnderWay.find(entry.device.ipAddress);
        if (underWay != probesUnderWay.end() && --*underWay == 0)
            probesUnderWay.erase(underWay);
    }
    return entry;
}

void JsonComm::ProcessNetworkRepsponse(AX_NETWORK_REPLY ax_reply)
{
    QNetworkReply *reply = ax_reply.reply;
    const quint32 id = ax_reply.requestId;
    switch (ax_reply.replyType) {
    case REPLY_INDEX_PAGE: ProcessAxguiIndexResponse(reply, id); break;
    case REPLY_GENERAL_FILE: ProcessFileGetResponse(reply, id); break;
    case REPLY_SEND_FILE: HandleSendFileResponse(reply, id); break;
    case REPLY_SYSTEM_STATUS: HandleReadSystemStatus(reply, id); break;
    case REPLY_AUTH_STATUS: HandleAuthStatusResponse(reply, id); break;
    case 6:
    case 7:
    case 8: takePendingRequest(id); break;
    case REPLY_JSON_CALLBACK: HandleJsonCallbackResponse(reply, id); break;
    case REPLY_UPDATE_IP: HandleIpUpdataResponse(reply, id); break;
    case REPLY_UPDATE_IP_RESTART: HandleIpUpdataResponseAndRestart(reply, id); break;
    case REPLY_JSON: ProcessJsonResponse(reply, id); break;
    case REPLY_SYSTEM_TIME: ProcessReadSystemTimeResponse(reply, id); break;
    case REPLY_JSON_READ_CALLBACK: HandleJsonReadCallbackResponse(reply, id); break;
    case REPLY_DIAGNOSTICS_PAGE: ProcessDiagnosticIndexResponse(reply, id); break;
    case REPLY_SECURITY_CONFIG: processSecurityConfigResponse(reply, id); break;
    case REPLY_SECURE_DOMAIN: processSecureDomainResponse(reply, id); break;
    default: break;
    }
    reply->close();
    // Finished and reported: nothing refers to it any more, and a deferred
    // deletion would cost one more event for every request.
    delete reply;
}

// The reply is gone already; what the report needs comes from the pending entry.
void JsonComm::ProcessNetworkTimeout(AX_NETWORK_REPLY reply, quint32 request_id)
{
    const JsonDeviceRequest entry = takePendingEntry(request_id);
    const ArdentixDevice &device = entry.device;
    if (device.secureGwSupport && reply.replyType == REPLY_SECURITY_CONFIG)
        bus->_slot_up_security_status(device.ipAddress.toString(), SECURITY_DISABLED, false);
    // A file get ends with its one report, answered or not.
    if (reply.replyType == REPLY_GENERAL_FILE)
        bus->_slot_up_file_received(entry.fileName, QByteArray(), false, device);
    emit JsonRequestCallback(request_id, false, QVariantMap());
}

void JsonComm::checkDNS()
{
    if (dnsReply)
        return; // the previous check is still open
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setAuthority(CloudEndpoints::timeServiceHost());
    url.setPath(QStringLiteral("/get_time"));
    QNetworkRequest request(url);
    request.setTransferTimeout(kDnsCheckIntervalMs);
    dnsReply = networkManager->get(request);
    connect(dnsReply, &QNetworkReply::finished, this, &JsonComm::dnsCheckReplyFinished);
}

void JsonComm::dnsCheckReplyFinished()
{
    QNetworkReply *reply = dnsReply;
    dnsReply = nullptr;
    disconnect(reply, &QNetworkReply::finished, this, &JsonComm::dnsCheckReplyFinished);
    if (reply->error() != QNetworkReply::NoError) {
        // One line: a status code alone on a line of its own tells the reader nothing.
        qDebug() << "DNS Lookup error: " << reply->errorString() << "HTTP status:"
                 << reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        cloudReachable = false;
    } else {
        reply->readAll();
        cloudReachable = true;
    }
    reply->deleteLater();
}
