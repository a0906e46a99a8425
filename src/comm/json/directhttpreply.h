#ifndef DIRECTHTTPREPLY_H
#define DIRECTHTTPREPLY_H

#include <QNetworkAccessManager>
#include <QNetworkReply>

class QTcpSocket;

// One plain HTTP/1.1 exchange with a host given as an IPv4 address, on a
// connection of its own that the device closes after answering. The network
// access manager's channel reads a response head a byte per system call; with
// a thousand devices probed every ten seconds that alone cost a sixth of a
// core. This one reads whatever has arrived at once, and reports the outcome
// the way that manager does for what our callers read: error(), the HTTP
// status, reason and redirect target, the headers, the body and finished().
class DirectHttpReply : public QNetworkReply
{
    Q_OBJECT

public:
    // Whether a request can go this way: plain http to a literal IPv4 address.
    static bool handles(const QNetworkRequest &request);

    // The body is cut off, and the reply aborted, once it grows past maxBodyBytes.
    DirectHttpReply(QNetworkAccessManager::Operation operation, const QNetworkRequest &request,
                    const QByteArray &body, qint64 maxBodyBytes, QObject *parent = nullptr);

    void abort() override;
    qint64 bytesAvailable() const override;
    bool isSequential() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;

private:
    enum class Stage { StatusLine, Headers, Body, ChunkSize, ChunkData, ChunkEnd, Trailer };

    QByteArray requestBytes(const QByteArray &body) const;
    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    bool parse();
    bool readLine(QByteArray *line);
    bool takeStatusLine(const QByteArray &line);
    void takeHeader(const QByteArray &line);
    void startBody();
    void takeBody(qint64 count);
    void finishWith(NetworkError code, const QString &text);
    void finishAnswered();

    QTcpSocket *socket;
    QByteArray outgoing;
    QByteArray incoming;
    QByteArray content;
    qsizetype readPosition = 0;
    qint64 maxBody;
    Stage stage = Stage::StatusLine;
    int status = 0;
    qint64 remaining = -1; // of the body or the current chunk; -1 until the close
};

#endif // DIRECTHTTPREPLY_H
