#ifndef HTTPMESSAGE_H
#define HTTPMESSAGE_H

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>

// One request as the emulated web server received it.
struct HttpRequest
{
    QByteArray method;
    QString path;                        // percent-decoded, without the query
    QString query;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QHostAddress localAddress;
    bool secure = false;
};

// What a path handler answers.
struct HttpResponse
{
    int status = 200;
    QByteArray contentType = "text/html";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    bool endless = false;                // the body never ends: bytes until the client goes

    static HttpResponse json(const QByteArray &body) { return {200, "application/json", body, {}}; }
    static HttpResponse text(int status, const QByteArray &body) { return {status, "text/html", body, {}}; }
};

#endif // HTTPMESSAGE_H
