#ifndef CANNEDHTTPSERVER_H
#define CANNEDHTTPSERVER_H

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// A loopback HTTP/1.1 server with canned answers by path, for the tests of the
// request watcher and the reply handlers. Each answer is sent after its delay;
// a negative delay never answers.
class CannedHttpServer
{
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        QByteArray extraHeaders; // complete lines, each ending in "\r\n"
        int delayMs = 0;
    };

    bool listen(const QHostAddress &address = QHostAddress::LocalHost)
    {
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { onRequest(socket); });
        });
        return server.listen(address);
    }

    void setAnswer(const QByteArray &path, const Answer &answer) { answers.insert(path, answer); }

    QString url(const QByteArray &path) const
    {
        return QStringLiteral("http://%1:%2%3")
            .arg(server.serverAddress().toString())
            .arg(server.serverPort())
            .arg(QString::fromLatin1(path));
    }

    QList<QByteArray> requests; // every request head received, in order

private:
    void onRequest(QTcpSocket *socket)
    {
        QByteArray &buffer = pending[socket];
        buffer += socket->readAll();
        const int headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const QByteArray head = buffer.left(headEnd);
        buffer.clear();
        requests.append(head);
        const QByteArray path = head.split(' ').value(1);
        const Answer answer = answers.value(path, Answer{404, "missing", {}, 0});
        if (answer.delayMs < 0)
            return;
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(answer.delayMs, socket, [guard, answer] {
            if (!guard)
                return;
            QByteArray response = "HTTP/1.1 " + QByteArray::number(answer.status) + " Canned\r\n"
                                  + "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n"
                                  + answer.extraHeaders + "Connection: close\r\n\r\n" + answer.body;
            guard->write(response);
            guard->disconnectFromHost();
        });
    }

    QTcpServer server;
    QHash<QByteArray, Answer> answers;
    QHash<QTcpSocket *, QByteArray> pending;
};

#endif // CANNEDHTTPSERVER_H
