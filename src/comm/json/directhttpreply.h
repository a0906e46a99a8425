#ifndef DIRECTHTTPREPLY_H
#define DIRECTHTTPREPLY_H

#include "comm/json/httpresponseparser.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

class QTcpSocket;

// One plain HTTP/1.1 exchange with a host given as an IPv4 address, on a
// connection of its own that the device closes after answering. The network
// access manager's channel reads a response head a byte per system call; with
// a thousand devices probed every ten seconds that alone cost a sixth of a
// core. This one reads what has arrived in slices of up to kReadSliceBytes,
// one per turn of the event loop, so that no answer holds the thread and the
// deadline can always end it, and reports the outcome the way that manager
// does for what our callers read: error(), the HTTP status, reason and
// redirect target, the headers, the body and finished().
class DirectHttpReply : public QNetworkReply
{
    Q_OBJECT

public:
    // Whether a request can go this way: plain http to a literal IPv4 address.
    static bool handles(const QNetworkRequest &request);

    static constexpr qint64 kReadSliceBytes = 64 * 1024;

    // The body is cut off, and the reply aborted, once it grows past maxBodyBytes.
    DirectHttpReply(QNetworkAccessManager::Operation operation, const QNetworkRequest &request,
                    const QByteArray &body, qint64 maxBodyBytes, QObject *parent = nullptr);

    void abort() override;
    qint64 bytesAvailable() const override;
    bool isSequential() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;

private:
    QByteArray requestBytes(const QByteArray &body) const;
    void readSlice();
    void onDisconnected();
    void onSocketError();
    void takeHead();
    void finishAnswered();
    void finishWith(NetworkError code, const QString &text);

    QTcpSocket *socket;
    QByteArray outgoing;
    HttpResponseParser parser;
    qsizetype readPosition = 0;
    bool peerClosed = false;
    bool sliceQueued = false;
};

#endif // DIRECTHTTPREPLY_H
