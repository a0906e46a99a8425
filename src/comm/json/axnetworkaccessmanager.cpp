#include "comm/json/axnetworkaccessmanager.h"

#include "comm/json/directaddressproxyfactory.h"
#include "comm/json/directhttpreply.h"

#include <QDateTime>
#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>

AxNetworkAccessManager::AxNetworkAccessManager(int deadlineMs)
    : networkManager(new QNetworkAccessManager(this))
    , deadline(deadlineMs)
{
    qRegisterMetaType<AX_NETWORK_REPLY>("AX_NETWORK_REPLY");
    networkManager->setProxyFactory(new DirectAddressProxyFactory);
    connect(networkManager, &QNetworkAccessManager::sslErrors,
            this, &AxNetworkAccessManager::axNamIgnoreSslErrors);
    checkTimer.setInterval(kCheckIntervalMs);
    connect(&checkTimer, &QTimer::timeout, this, &AxNetworkAccessManager::checkPendingReplies);
}

AxNetworkAccessManager::~AxNetworkAccessManager()
{
    for (const AX_NETWORK_REPLY &pending : std::as_const(pendingReplies))
        pending.reply->deleteLater();
    qDebug() << "AxNetworkAccessManager destroyed";
}

int AxNetworkAccessManager::deadlineMs() const
{
    return deadline;
}

void AxNetworkAccessManager::post(QNetworkRequest request, QByteArray data)
{
    hand(request, data, true);
}

void AxNetworkAccessManager::get(QNetworkRequest request)
{
    hand(request, QByteArray(), false);
}

void AxNetworkAccessManager::stop()
{
    if (stopRequested)
        return;
    stopRequested = true;
    checkTimer.stop();
    deleteLater();
}

void AxNetworkAccessManager::hand(const QNetworkRequest &request, const QByteArray &body, bool isPost)
{
    AX_NETWORK_REPLY record;
    record.replyType = request.attribute(ReplyTypeAttribute).toUInt();
    record.requestId = request.attribute(RequestIdAttribute).toUInt();
    waitingRequests.append(Waiting{request, body, isPost, record});
    sendWaiting();
    if (!stopRequested && !checkTimer.isActive())
        checkTimer.start();
}

void AxNetworkAccessManager::sendWaiting()
{
    while (onTheWire.size() < kMaxInFlight && !waitingRequests.isEmpty() && !stopRequested)
        send(waitingRequests.takeFirst());
}

void AxNetworkAccessManager::send(const Waiting &waiting)
{
    QNetworkReply *reply = nullptr;
    if (DirectHttpReply::handles(waiting.request)) {
        const auto operation = waiting.isPost ? QNetworkAccessManager::PostOperation
                                              : QNetworkAccessManager::GetOperation;
        reply = new DirectHttpReply(operation, waiting.request, waiting.body, kMaxReplyBytes, this);
    } else {
        reply = waiting.isPost ? networkManager->post(waiting.request, waiting.body)
                               : networkManager->get(waiting.request);
    }
    // Finished, failed or aborted: the next waiting request may go.
    if (!reply->isFinished())
        onTheWire.insert(reply);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (onTheWire.remove(reply))
            sendWaiting();
    });
    // Devices are untrusted: a body that keeps growing ends the request. A body
    // that arrived whole before this check is refused by the reader instead.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxReplyBytes) {
            qDebug() << "Reply body too large, aborted:" << reply->url().toString(QUrl::RemoveUserInfo);
            reply->abort();
        }
    });

    AX_NETWORK_REPLY pending = waiting.record;
    pending.reply = reply;
    pending.deadline = QDateTime::currentMSecsSinceEpoch() + deadline;
    pendingReplies.append(pending);
}

void AxNetworkAccessManager::checkPendingReplies()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const QList<AX_NETWORK_REPLY> pending = pendingReplies;
    pendingReplies.clear();
    for (const AX_NETWORK_REPLY &record : pending) {
        if (record.reply->isFinished()) {
            emit RequestComplete(record);
        } else if (now > record.deadline) {
            emit RequestTimeOut(record, record.requestId);
            record.reply->abort();
            record.reply->deleteLater();
        } else {
            pendingReplies.append(record);
        }
    }
    if (pendingReplies.isEmpty() && waitingRequests.isEmpty())
        checkTimer.stop();
}

void AxNetworkAccessManager::axNamIgnoreSslErrors(QNetworkReply *reply, QList<QSslError> list)
{
    if (reply->request().attribute(DeviceCertificateAttribute).toBool()) {
        reply->ignoreSslErrors(list);
        return;
    }
    qDebug() << "Certificate not accepted for" << reply->url().host() << list.size() << "error(s)";
}
