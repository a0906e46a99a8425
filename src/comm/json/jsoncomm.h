#ifndef JSONCOMM_H
#define JSONCOMM_H

#include "comm/json/axnetworkaccessmanager.h"
#include "comm/json/jsondevicerequest.h"

#include "model/ardentixdevice.h"

#include <QDateTime>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

class AxSignalObject;
class QNetworkAccessManager;
class QNetworkReply;

// The number every HTTP request of the JSON-RPC client carries to select the
// handler of its reply. 6 to 8 have no handler; numbers above 17 act as 0.
enum JSON_REPLY_TYPE {
    REPLY_NONE = 0,
    REPLY_INDEX_PAGE = 1,
    REPLY_GENERAL_FILE = 2,
    REPLY_SEND_FILE = 3,
    REPLY_SYSTEM_STATUS = 4,
    REPLY_AUTH_STATUS = 5,
    REPLY_JSON_CALLBACK = 9,
    REPLY_UPDATE_IP = 10,
    REPLY_UPDATE_IP_RESTART = 11,
    REPLY_JSON = 12,
    REPLY_SYSTEM_TIME = 13,
    REPLY_JSON_READ_CALLBACK = 14,
    REPLY_DIAGNOSTICS_PAGE = 15,
    REPLY_SECURITY_CONFIG = 16,
    REPLY_SECURE_DOMAIN = 17
};

// The JSON-RPC 2.0 client of the devices ("/json-rpc.jsn", HTTP Basic
// authentication) and the prober of their pages and security. Every request
// goes through its own request watcher; every answer is matched to its
// request by the request id and handled by the handler of its reply type,
// which reports up the signal bus or through JsonRequestCallback.
class JsonComm : public QObject
{
    Q_OBJECT

public:
    // The kinds postJsonRpc turns into reply types.
    enum RequestKind {
        KIND_SYSTEM_STATUS = 4,
        KIND_UPDATE_IP = 5,
        KIND_RESTART = 6,
        KIND_AUTH_STATUS = 7,
        KIND_TIME_SYNC = 8,
        KIND_READ_TIME = 9
    };

    static constexpr quint32 kNoRequest = 0xFFFFFFFF;
    // Redirects of the security page followed in a row before giving up.
    static constexpr int kMaxRedirects = 5;

    JsonComm(QObject *owner, AxSignalObject *upstream,
             int requestDeadlineMs = AxNetworkAccessManager::kDefaultDeadlineMs);
    ~JsonComm() override;

    bool isCloudReachable() const;

    // Commands that answer through JsonRequestCallback or the bus; each
    // returns the request id (0 when the request could not be written).
    quint32 readSystemTime(ArdentixDevice device);
    quint32 requestFileList(ArdentixDevice device);
    quint32 readDataArray(ArdentixDevice device, QString name, int start, int length);
    quint32 writeDataArray(ArdentixDevice device, QString name, int start, QString value);
    quint32 readObject(ArdentixDevice device);
    quint32 sendSystemRestart(ArdentixDevice device);
    quint32 updateIpSettingsRequest(ArdentixDevice device, QString n1_ip, QString n2_ip, QString gateway,
                                    int dhcp_state, bool set_dns);
    bool restartAfterIpChange(ArdentixDevice device);

signals:
    void JsonRequestCallback(quint32 req_id, bool success, QVariantMap result);
    void FileSendComplete(bool success, QString file_name);

public slots:
    bool HandleIpUpdataResponse(QNetworkReply *reply, quint32 request_id);
    void HandleIpUpdataResponseAndRestart(QNetworkReply *reply, quint32 request_id);
    bool HandleAuthStatusResponse(QNetworkReply *reply, quint32 request_id);
    bool TimeSyncRequest(QDateTime date_time, ArdentixDevice device);
    bool UpdateIpSettings(ArdentixDevice device, QString n1_ip, QString n2_ip, bool restart);
    bool RestartDevice(ArdentixDevice device);
    bool ReadAuthStatus(ArdentixDevice device);
    void CheckAxguiSupport(ArdentixDevice device);
    void HandleSendFileResponse(QNetworkReply *reply, quint32 request_id);
    bool ReadSystemStatus(ArdentixDevice device);
    bool HandleReadSystemStatus(QNetworkReply *reply, quint32 request_id);
    void RequestIndexPage(ArdentixDevice device);
    void RequestDiagnosticsPage(ArdentixDevice device);
    void RequestGeneralFile(QString remote_file_name, ArdentixDevice device);

private slots:
    void ProcessNetworkRepsponse(AX_NETWORK_REPLY ax_reply);
    void ProcessNetworkTimeout(AX_NETWORK_REPLY reply, quint32 request_id);
    void HandleJsonCallbackResponse(QNetworkReply *reply, quint32 request_id);
    void HandleJsonReadCallbackResponse(QNetworkReply *reply, quint32 request_id);
    void ProcessAxguiIndexResponse(QNetworkReply *reply, quint32 request_id);
    void ProcessDiagnosticIndexResponse(QNetworkReply *reply, quint32 request_id);
    void ProcessFileGetResponse(QNetworkReply *reply, quint32 request_id);
    bool ProcessJsonResponse(QNetworkReply *reply, quint32 request_id);
    void ProcessReadSystemTimeResponse(QNetworkReply *reply, quint32 request_id);
    void processSecurityConfigResponse(QNetworkReply *reply, quint32 request_id);
    void checkDNS();
    void dnsCheckReplyFinished();

private:
    // Counts the redirects of the security page followed in a row.
    static constexpr QNetworkRequest::Attribute RedirectCountAttribute =
        QNetworkRequest::Attribute(QNetworkRequest::User + 3);

    // Request core.
    static bool isProbe(JSON_REPLY_TYPE replyType);
    void prepareRequest(ArdentixDevice device, QNetworkRequest &request, JSON_REPLY_TYPE replyType);
    bool buildJsonRpc(const QString &method, const QVariantMap &params, QByteArray &body) const;
    static QUrl jsonRpcUrl(const QString &ip);
    static QUrl deviceUrl(const ArdentixDevice &device, const QString &path);
    bool postJsonRpc(ArdentixDevice device, const QString &method, const QVariantMap &params, int kind);
    quint32 postJsonRequest(const QString &method, const QVariantMap &params, ArdentixDevice device);
    quint32 postJsonReadRequest(const QString &method, const QVariantMap &params, ArdentixDevice device);
    quint32 postWithReplyType(const QString &method, const QVariantMap &params, const ArdentixDevice &device,
                              JSON_REPLY_TYPE replyType);
    void getPage(const ArdentixDevice &device, const QUrl &url, JSON_REPLY_TYPE replyType,
                 const QByteArray &contentType = QByteArray(), int redirects = 0);
    ArdentixDevice takePendingRequest(quint32 id);
    JsonDeviceRequest takePendingEntry(quint32 id);

    // Probing.
    using PageReport = void (AxSignalObject::*)(const QString &ip, bool supported, bool answered);
    void reportPage(QNetworkReply *reply, quint32 request_id, bool there, PageReport report);
    void requestSecurityConfig(ArdentixDevice device);
    void requestSecurityConfigUrl(ArdentixDevice device, QUrl url, int redirects);
    // answered: the configuration came from the device's own address.
    void evaluateSecurityMode(ArdentixDevice device, QString value, QString mode, bool answered);
    void requestSecureDomain(ArdentixDevice device);
    void processSecureDomainResponse(QNetworkReply *reply, quint32 request_id);

    QNetworkAccessManager *networkManager;
    QPointer<AxSignalObject> bus; // gone already when the upstream relay went first
    AxNetworkAccessManager *requestThread;
    quint32 requestCounter = 1;
    // By request id: a thousand devices' probes are out at once.
    QHash<quint32, JsonDeviceRequest> pendingRequests;
    // Devices with probe requests waiting or on the wire, and how many.
    QHash<QHostAddress, int> probesUnderWay;
    QList<JsonFileRequest> pendingFileRequests;
    QTimer dnsCheckTimer;
    bool cloudReachable = false;
    QNetworkReply *dnsReply = nullptr;
};

#endif // JSONCOMM_H
