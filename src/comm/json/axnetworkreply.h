#ifndef AXNETWORKREPLY_H
#define AXNETWORKREPLY_H

#include <QMetaType>
#include <QtGlobal>

class QNetworkReply;

// One HTTP request the request watcher tracks, copied into each of its reports.
struct AX_NETWORK_REPLY
{
    QNetworkReply *reply = nullptr;
    qint64 deadline = 0;     // ms since the epoch
    quint32 requestId = 0;   // request attribute QNetworkRequest::User
    quint32 replyType = 0;   // request attribute QNetworkRequest::User + 1
};

Q_DECLARE_METATYPE(AX_NETWORK_REPLY)

#endif // AXNETWORKREPLY_H
