#include "comm/json/axnetworkaccessmanager.h"

#include <QDateTime>
#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>

AxNetworkAccessManager::AxNetworkAccessManager(int deadlineMs)
    : networkManager(new QNetworkAccessManager(this))
    , deadline(deadlineMs)
{
    qRegisterMetaType<AX_NETWORK_REPLY>("AX_NETWORK_REPLY");
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
    track(networkManager->post(request, data));
}

void AxNetworkAccessManager::get(QNetworkRequest request)
{
    track(networkManager->get(request));
}

void AxNetworkAccessManager::stop()
{
    if (stopRequested)
        return;
    stopRequested = true;
    checkTimer.stop();
    deleteLater();
}

void AxNetworkAccessManager::track(QNetworkReply *reply)
{
    const QNetworkRequest request = reply->request();
    AX_NETWORK_REPLY pending;
    pending.reply = reply;
    pending.replyType = request.attribute(ReplyTypeAttribute).toUInt();
    pending.requestId = request.attribute(RequestIdAttribute).toUInt();
    pending.deadline = QDateTime::currentMSecsSinceEpoch() + deadline;

    // Devices are untrusted: a body that keeps growing ends the request. A body
    // that arrived whole before this check is refused by the reader instead.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxReplyBytes) {
            qDebug() << "Reply body too large, aborted:" << reply->url().toString(QUrl::RemoveUserInfo);
            reply->abort();
        }
    });

    pendingReplies.append(pending);
    if (!stopRequested && !checkTimer.isActive())
        checkTimer.start();
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
    if (pendingReplies.isEmpty())
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
