#ifndef AXNETWORKACCESSMANAGER_H
#define AXNETWORKACCESSMANAGER_H

#include "comm/json/axnetworkreply.h"

#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QSslError>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;

// Sends the JSON-RPC client's HTTP requests and watches them: every 100 ms it
// reports each finished reply as complete, and each reply still open past its
// deadline as timed out, aborting it. The check runs in the thread that owns
// the replies, so a reply is never touched from another thread.
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
    void track(QNetworkReply *reply);

    QNetworkAccessManager *networkManager;
    QList<AX_NETWORK_REPLY> pendingReplies;
    QTimer checkTimer;
    bool stopRequested = false;
    int deadline;
};

#endif // AXNETWORKACCESSMANAGER_H
