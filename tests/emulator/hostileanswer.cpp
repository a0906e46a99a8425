#include "hostileanswer.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

const int kEndlessMs = 9000;
const qint64 kQueuedBytes = 1024 * 1024;

QByteArray manyHeaders()
{
    QByteArray answer = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; answer.size() < 1024 * 1024; ++i)
        answer += "X-Field-" + QByteArray::number(i) + ": value\r\n";
    return answer + "Content-Length: 2\r\nConnection: close\r\n\r\nok";
}

} // namespace

const QStringList &HostileAnswer::modes()
{
    static const QStringList all = {"many-headers", "repeated-header", "endless-continue", "endless-line"};
    return all;
}

void HostileAnswer::start(QTcpSocket *socket, const QString &mode)
{
    if (mode == QLatin1String("many-headers")) {
        socket->write(manyHeaders());
        socket->disconnectFromHost();
    } else if (mode == QLatin1String("repeated-header")) {
        socket->write("HTTP/1.1 200 OK\r\n");
        new HostileAnswer(socket, "X-Again: again\r\n");
    } else if (mode == QLatin1String("endless-continue")) {
        new HostileAnswer(socket, "HTTP/1.1 100 Continue\r\n\r\n");
    } else {
        socket->write("HTTP/1.1 200 OK\r\nX-Endless: ");
        new HostileAnswer(socket, "a");
    }
}

HostileAnswer::HostileAnswer(QTcpSocket *socket, const QByteArray &unit)
    : QObject(socket)
    , socket(socket)
    , block(unit.repeated(64 * 1024 / unit.size()))
{
    connect(socket, &QTcpSocket::bytesWritten, this, &HostileAnswer::topUp);
    QTimer::singleShot(kEndlessMs, this, [this] {
        disconnect(this->socket, nullptr, this, nullptr);
        this->socket->disconnectFromHost();
    });
    topUp();
}

void HostileAnswer::topUp()
{
    while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < kQueuedBytes)
        socket->write(block);
}
