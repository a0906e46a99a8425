#ifndef CANNEDHTTPSERVER_H
#define CANNEDHTTPSERVER_H

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// A loopback HTTP/1.1 server with canned answers by path, for the tests of the
// request watcher and the JSON-RPC client. Each answer is sent after its
// delay; a negative delay never answers.
class CannedHttpServer
{
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        QByteArray extraHeaders; // complete lines, each ending in "\r\n"
        int delayMs = 0;
        // When given, sent as they stand instead, a few ms apart, then the connection closed.
        QList<QByteArray> raw = {};
        // When given, sent after raw over and over, as fast as the client takes it,
        // until the client closes or kRepeatMs have passed.
        QByteArray repeat = {};
    };

    static constexpr int kRepeatMs = 10000;

    struct Received {
        QByteArray head;
        QByteArray body;
        QByteArray path;     // as sent, still percent-encoded
        QByteArray header(const QByteArray &name) const
        {
            for (const QByteArray &line : head.split('\n')) {
                const int colon = line.indexOf(':');
                if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
                    return line.mid(colon + 1).trimmed();
            }
            return QByteArray();
        }
    };

    // A loopback address of this process's own, so parallel tests never share a port.
    static QHostAddress privateLoopback()
    {
        const quint32 pid = quint32(QCoreApplication::applicationPid());
        return QHostAddress(QStringLiteral("127.77.%1.%2").arg((pid >> 8) & 0xFF).arg(pid & 0xFF));
    }

    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0)
    {
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { onRequest(socket); });
        });
        return server.listen(address, port);
    }

    void setAnswer(const QByteArray &path, const Answer &answer) { answers.insert(path, answer); }
    void clear()
    {
        answers.clear();
        received.clear();
    }

    QString url(const QByteArray &path) const
    {
        return QStringLiteral("http://%1:%2%3")
            .arg(server.serverAddress().toString())
            .arg(server.serverPort())
            .arg(QString::fromLatin1(path));
    }

    QList<Received> received; // every request, in order of arrival

private:
    void onRequest(QTcpSocket *socket)
    {
        QByteArray &buffer = pending[socket];
        buffer += socket->readAll();
        const int headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        Received request;
        request.head = buffer.left(headEnd);
        const int length = request.header("content-length").toInt();
        if (buffer.size() < headEnd + 4 + length)
            return;
        request.body = buffer.mid(headEnd + 4, length);
        request.path = request.head.split(' ').value(1);
        buffer.clear();
        received.append(request);

        const Answer answer = answers.value(request.path, Answer{404, "missing", {}, 0});
        if (answer.delayMs < 0)
            return;
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(answer.delayMs, socket, [guard, answer] {
            if (!guard)
                return;
            if (!answer.raw.isEmpty()) {
                sendPieces(guard, answer.raw, answer.repeat);
                return;
            }
            const QByteArray reason = answer.status == 401 ? "Unauthorized"
                                      : answer.status == 404 ? "Not Found"
                                      : answer.status == 302 ? "Found" : "OK";
            QByteArray response = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason + "\r\n"
                                  + "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n"
                                  + answer.extraHeaders + "Connection: close\r\n\r\n" + answer.body;
            guard->write(response);
            guard->disconnectFromHost();
        });
    }

    static void sendPieces(QPointer<QTcpSocket> socket, QList<QByteArray> pieces, const QByteArray &repeat)
    {
        socket->write(pieces.takeFirst());
        socket->flush();
        if (pieces.isEmpty() && !repeat.isEmpty()) {
            sendRepeated(socket, repeat.repeated(qMax(1, 65536 / int(repeat.size()))));
            return;
        }
        if (pieces.isEmpty()) {
            socket->disconnectFromHost();
            return;
        }
        QTimer::singleShot(20, socket, [socket, pieces, repeat] {
            if (socket)
                sendPieces(socket, pieces, repeat);
        });
    }

    static void sendRepeated(QTcpSocket *socket, const QByteArray &block)
    {
        const auto topUp = [socket, block] {
            while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 4 * block.size())
                socket->write(block);
        };
        const QMetaObject::Connection written = QObject::connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
        QTimer::singleShot(kRepeatMs, socket, [socket, written] {
            QObject::disconnect(written);
            socket->disconnectFromHost();
        });
        topUp();
    }

    QTcpServer server;
    QHash<QByteArray, Answer> answers;
    QHash<QTcpSocket *, QByteArray> pending;
};

#endif // CANNEDHTTPSERVER_H
