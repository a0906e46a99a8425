#ifndef HOSTILEANSWER_H
#define HOSTILEANSWER_H

#include <QByteArray>
#include <QObject>
#include <QStringList>

class QTcpSocket;

// The answers of a web side gone wrong or meaning harm, given to every HTTP
// request in place of the real one, by mode:
//   many-headers      1 MB of distinct header fields, then a short body
//   repeated-header   one header field, over and over
//   endless-continue  "100 Continue" answers, over and over
//   endless-line      a header line that never ends
// The endless ones go on as fast as the connection takes them, until the
// client closes or for 9 s, past the toolbox's deadline.
class HostileAnswer : public QObject
{
    Q_OBJECT

public:
    static const QStringList &modes();
    // Answers on the socket, which goes with the connection.
    static void start(QTcpSocket *socket, const QString &mode);

private:
    HostileAnswer(QTcpSocket *socket, const QByteArray &unit);
    void topUp();

    QTcpSocket *socket;
    QByteArray block;
};

#endif // HOSTILEANSWER_H
