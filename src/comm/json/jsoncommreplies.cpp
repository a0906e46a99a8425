// Answers that carry data: fetched files, the device clock, and the generic
// calls that answer through JsonRequestCallback.

#include "comm/json/jsoncomm.h"

#include "comm/json/jsonreply.h"

#include "model/axsignalobject.h"

#include <QDebug>
#include <QNetworkReply>

namespace {

// "Mon Dec  7 09:05:03 2026", read from the end; a one-digit day leaves an
// empty field before it. complete is false when fields are missing; values
// that make no date or time give an invalid one.
QDateTime parseDeviceClock(const QString &text, bool *complete)
{
    *complete = false;
    const QStringList fields = text.split(QLatin1Char(' '), Qt::KeepEmptyParts);
    if (fields.size() < 4)
        return QDateTime();
    const qsizetype last = fields.size() - 1;
    QString month = fields.at(last - 3);
    if (month.size() < 3) {
        if (fields.size() < 5)
            return QDateTime();
        month = fields.at(last - 4);
    }
    const QStringList clock = fields.at(last - 1).split(QLatin1Char(':'), Qt::KeepEmptyParts);
    if (clock.size() < 3)
        return QDateTime();
    *complete = true;

    static const QStringList months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int monthNumber = 1;
    for (int i = 0; i < months.size(); ++i) {
        if (month.compare(months.at(i), Qt::CaseInsensitive) == 0) {
            monthNumber = i + 1;
            break;
        }
    }
    const QDate date(fields.at(last).toInt(), monthNumber, fields.at(last - 2).toInt());
    const QTime time(clock.at(0).toInt(), clock.at(1).toInt(), clock.at(2).toInt());
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, Qt::LocalTime);
}

} // namespace

void JsonComm::ProcessFileGetResponse(QNetworkReply *reply, quint32 request_id)
{
    const ArdentixDevice device = takePendingRequest(request_id);
    const QUrl url = reply->request().url();
    const QString path = url.path(QUrl::FullyDecoded);
    const qsizetype lastSlash = path.lastIndexOf(QLatin1Char('/'));
    const QString fileName = path.mid(lastSlash + 1);
    const QString hostPart = url.host() + path.left(qMax<qsizetype>(lastSlash, 0));

    // Without a host part the answer came from no device: a failure, still reported once.
    if (!JsonReply::failed(reply) && !hostPart.isEmpty()) {
        bus->_slot_up_file_received(fileName, reply->readAll(), true, device);
        return;
    }
    if (reply->errorString().contains(QLatin1String("Host requires authentication"), Qt::CaseInsensitive))
        qDebug() << hostPart << " Need to log in";
    bus->_slot_up_file_received(fileName, QByteArray(), false, device);
}

void JsonComm::ProcessReadSystemTimeResponse(QNetworkReply *reply, quint32 request_id)
{
    const ArdentixDevice device = takePendingRequest(request_id);
    if (JsonReply::failed(reply))
        return;
    bool parsed = false;
    const QVariantMap answer = JsonReply::readObject(reply, parsed);
    if (!parsed) {
        qDebug() << "PRSTR - Error geting reply_map";
        return;
    }
    const QVariantMap error = answer.value("error").toMap();
    if (!error.isEmpty()) {
        bool isNumber = false;
        if (error.value("code").toInt(&isNumber) == -32601 && isNumber)
            qDebug() << "Unsupported RPC method";
        return;
    }
    const QVariantMap result = answer.value("result").toMap();
    if (result.isEmpty()) {
        qDebug() << "No 'result' in reply";
        return;
    }
    const QString rtcStatus = result.value("RTC Status").toString();
    if (rtcStatus.isEmpty()) {
        qDebug() << "No 'RTC Status' in data";
        return;
    }
    if (rtcStatus != QLatin1String("Initialized"))
        return;

    const QString time = result.value("Time").toString();
    bool complete = false;
    const QDateTime clock = parseDeviceClock(time, &complete);
    if (!complete) {
        qDebug() << "No usable 'Time' in data:" << time;
        return;
    }
    bus->_slot_up_system_time(clock, device); // invalid values are reported as an invalid time
}

// Success only when the device says so: a valid answer with another status,
// or a JSON-RPC error object, is a failure.
void JsonComm::HandleJsonCallbackResponse(QNetworkReply *reply, quint32 request_id)
{
    takePendingRequest(request_id);
    if (JsonReply::failed(reply)) {
        emit JsonRequestCallback(request_id, false, QVariantMap());
        return;
    }
    bool parsed = false;
    const QVariantMap result = JsonReply::readObject(reply, parsed).value("result").toMap();
    const bool success = parsed && result.value("Status").toString() == QLatin1String("Success");
    emit JsonRequestCallback(request_id, success, result);
}

bool JsonComm::HandleIpUpdataResponse(QNetworkReply *reply, quint32 request_id)
{
    takePendingRequest(request_id);
    if (JsonReply::failed(reply))
        return false;
    bool parsed = false;
    const QVariantMap result = JsonReply::readObject(reply, parsed).value("result").toMap();
    return parsed && result.value("Status").toString() == QLatin1String("Success");
}

bool JsonComm::ProcessJsonResponse(QNetworkReply *reply, quint32 request_id)
{
    takePendingRequest(request_id);
    return !JsonReply::failed(reply);
}

void JsonComm::HandleJsonReadCallbackResponse(QNetworkReply *reply, quint32 request_id)
{
    takePendingRequest(request_id);
    if (JsonReply::failed(reply)) {
        qDebug() << "JSON request error" << reply->errorString();
        emit JsonRequestCallback(request_id, false, QVariantMap());
        return;
    }
    bool parsed = false;
    const QVariantMap result = JsonReply::readObject(reply, parsed).value("result").toMap();
    const QVariantMap attributes = result.value("Data").toMap().value("Display_Attributes").toMap();
    if (!parsed || attributes.isEmpty()) {
        emit JsonRequestCallback(request_id, false, result);
        return;
    }
    emit JsonRequestCallback(request_id, true, attributes);
}

void JsonComm::HandleSendFileResponse(QNetworkReply *reply, quint32 request_id)
{
    takePendingRequest(request_id);
    QString fileName;
    for (const JsonFileRequest &file : std::as_const(pendingFileRequests)) {
        if (file.requestId == request_id) {
            fileName = file.filePath.split(QLatin1Char('/')).last();
            break;
        }
    }
    if (JsonReply::failed(reply)) {
        qDebug() << reply->errorString();
        emit FileSendComplete(false, fileName);
        return;
    }
    bool parsed = false;
    const QVariantMap answer = JsonReply::readObject(reply, parsed);
    const QVariantMap result = answer.value("result").toMap();
    const QString status = result.value("Status").toString();
    if (!parsed)
        qDebug() << "HSFR - Error geting reply_map";
    else if (result.isEmpty())
        qDebug() << "No 'result' in reply";
    else if (status.isEmpty())
        qDebug() << "No 'Status' in data";
    if (!parsed || status.isEmpty()) {
        emit FileSendComplete(false, fileName);
        return;
    }
    if (status == QLatin1String("Success"))
        emit FileSendComplete(true, fileName);
}
