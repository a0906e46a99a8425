#ifndef AXNETWORKACCESSMANAGER_H
#define AXNETWORKACCESSMANAGER_H

#include "comm/json/axnetworkreply.h"

#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QSet>
#include <QSslError>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;

// Sends the JSON-RPC client's HTTP requests and watches them: every 100 ms it
// reports each finished reply as complete, and each reply still open past its
// deadline as timed out, aborting it. The check runs in the thread that owns
// the replies, so a reply is never touched from another thread.
// At most kMaxInFlight requests are on the wire at once; the others wait
// their turn in the order given. A request's deadline runs from when it goes
// on the wire, so a slow device's answer is waited for however long the queue
// was; callers keep the queue short (one probe per device).
// Plain http to a device's address goes through DirectHttpReply; the rest
// (https, named hosts) through the network access manager.
class AxNetworkAccessManager : public QObject
{
    Q_OBJECT

public:
    // Request attributes the watcher reads back into its reports.
    static constexpr QNetworkRequest::Attribute RequestIdAttribute = QNetworkRequest::User;
    static constexpr QNetworkRequest::Attribute ReplyTypeAttribute =
        QNetworkRequest::Attribute(QNetworkRequest::User + 1);
    // Set on requests to a device's own address: devices serve certificates
    // that do not verify, so only these requests accept certificate errors.
    static constexpr QNetworkRequest::Attribute DeviceCertificateAttribute =
        QNetworkRequest::Attribute(QNetworkRequest::User + 2);

    static constexpr int kDefaultDeadlineMs = 8000;
    static constexpr int kCheckIntervalMs = 100;
    // Enough for the probes of a thousand devices whose web side answers in
    // seconds; every socket open is polled by each pass of the event loop, and
    // a desktop session often allows a process no more than 1024 descriptors.
    static constexpr int kMaxInFlight = 256;
    // A body past this size is cut off; readers refuse a longer one.
    static constexpr qint64 kMaxReplyBytes = 8 * 1024 * 1024;

    // No parent: stop() ends the watcher and it deletes itself.
    explicit AxNetworkAccessManager(int deadlineMs = kDefaultDeadlineMs);
    ~AxNetworkAccessManager() override;

    int deadlineMs() const;

public slots:
    void post(QNetworkRequest request, QByteArray data);
    void get(QNetworkRequest request);
    void stop();

signals:
    // The reply finished, with or without an error; it is the receiver's to close and release.
    void RequestComplete(AX_NETWORK_REPLY reply);
    // The reply missed its deadline; it has been aborted and released already.
    void RequestTimeOut(AX_NETWORK_REPLY reply, quint32 id);

private slots:
    void checkPendingReplies();
    void axNamIgnoreSslErrors(QNetworkReply *reply, QList<QSslError> list);

private:
    // A request handed over and not yet sent.
    struct Waiting
    {
        QNetworkRequest request;
        QByteArray body;
        bool isPost;
        AX_NETWORK_REPLY record;
    };

    void hand(const QNetworkRequest &request, const QByteArray &body, bool isPost);
    void sendWaiting();
    void send(const Waiting &waiting);

    QNetworkAccessManager *networkManager;
    QList<AX_NETWORK_REPLY> pendingReplies;
    QList<Waiting> waitingRequests;
    QSet<QNetworkReply *> onTheWire;
    QTimer checkTimer;
    bool stopRequested = false;
    int deadline;
};

#endif // AXNETWORKACCESSMANAGER_H
