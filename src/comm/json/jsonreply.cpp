#include "comm/json/jsonreply.h"

#include "comm/json/axnetworkaccessmanager.h"
#include "comm/json/jsontext.h"

#include <QHostAddress>
#include <QNetworkReply>

namespace JsonReply {

namespace {

bool tooLarge(QNetworkReply *reply)
{
    return reply->bytesAvailable() > AxNetworkAccessManager::kMaxReplyBytes;
}

} // namespace

bool failed(QNetworkReply *reply)
{
    return reply->error() != QNetworkReply::NoError || tooLarge(reply);
}

bool answeredByDevice(QNetworkReply *reply, const QHostAddress &device)
{
    return !device.isNull() && QHostAddress(reply->url().host()) == device
        && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() > 0;
}

bool readText(QNetworkReply *reply, QString *text)
{
    if (tooLarge(reply)) {
        text->clear();
        return false;
    }
    // All of it has arrived: read as one piece, not in read-ahead chunks.
    const QByteArray body = reply->read(reply->bytesAvailable());
    const qsizetype zero = body.indexOf('\0');
    *text = QString::fromLatin1(zero < 0 ? body : body.left(zero));
    if (text->isNull())
        *text = QLatin1String(""); // an empty body is text without a value, not a null text
    return true;
}

QVariantMap readObject(QNetworkReply *reply, bool &success)
{
    QString text;
    if (!readText(reply, &text)) {
        success = false;
        return QVariantMap();
    }
    return JsonText::parse(text, success).toMap();
}

} // namespace JsonReply
