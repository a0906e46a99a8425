#include "httpjsonrpc.h"

#include "emulatorlog.h"

#include <QJsonDocument>
#include <QLocale>

namespace {

QJsonObject success(const QJsonObject &extra = {})
{
    QJsonObject result = extra;
    result.insert("Status", "Success");
    return result;
}

QJsonObject failure(int code, const QString &message)
{
    return QJsonObject{{"code", code}, {"message", message}};
}

} // namespace

HttpJsonRpc::HttpJsonRpc(const QHostAddress &address, const HttpDeviceConfig &config)
    : deviceAddress(address)
    , deviceConfig(config)
{
}

HttpResponse HttpJsonRpc::handle(const HttpRequest &request)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &parseError);
    const QJsonObject envelope = document.object();
    const QString method = envelope.value("method").toString();
    EmulatorLog::line("HTTP " + deviceAddress.toString() + " rpc " + method + ' ' + QString::fromUtf8(request.body));

    if (deviceConfig.garbage)
        return HttpResponse::json("<html><body>Internal error {{{");

    QJsonObject answer{{"jsonrpc", "2.0"}, {"id", envelope.value("id")}};
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        answer.insert("error", failure(-32700, "Parse error"));
    } else {
        const QJsonObject outcome = call(method, envelope.value("params").toObject());
        if (outcome.contains("code"))
            answer.insert("error", outcome);
        else
            answer.insert("result", outcome);
    }
    return HttpResponse::json(QJsonDocument(answer).toJson(QJsonDocument::Compact));
}

QJsonObject HttpJsonRpc::call(const QString &method, const QJsonObject &params)
{
    if (method == "read system status")
        return success({{"System Status", "Running"}});
    if (method == "Read Auth Status") {
        const QString user = deviceConfig.user.isEmpty() ? QStringLiteral("guest") : deviceConfig.user;
        return success({{"Data", QJsonObject{{"username", user}, {"permissions", "read/write"}}}});
    }
    if (method == "update ip settings")
        return deviceConfig.refuseIpUpdate ? QJsonObject{{"Status", "Error"}} : success();
    if (method == "system restart" || method == "list files" || method == "Write Data Array")
        return success();
    if (method == "System Time Synch")
        return setClock(params);
    if (method == "Read System Time") {
        const QDateTime now = QDateTime::currentDateTime().addMSecs(clockOffsetMs);
        return QJsonObject{{"RTC Status", deviceConfig.rtcStatus}, {"Time", clockText(now)}};
    }
    if (method == "Read Data Array")
        return success({{"Data", QJsonObject{{"Value", "0 0 0"}}}});
    if (method == "read")
        return success({{"Data", QJsonObject{{"Display_Attributes", QJsonObject{{"Name", params.value("Obj_ID")}}}}}});
    return failure(-32601, "Method not found");
}

QJsonObject HttpJsonRpc::setClock(const QJsonObject &params)
{
    auto field = [&params](const char *name) { return params.value(name).toString().toInt(); };
    const QDateTime requested(QDate(field("Year"), field("Month"), field("Day")),
                              QTime(field("Hour"), field("Minute"), field("Second")));
    if (!requested.isValid())
        return QJsonObject{{"Status", "Error"}};
    clockOffsetMs = QDateTime::currentDateTime().msecsTo(requested);
    return success();
}

QString HttpJsonRpc::clockText(const QDateTime &time)
{
    const QLocale c = QLocale::c();
    return c.toString(time, "ddd MMM ") + QStringLiteral("%1").arg(time.date().day(), 2, 10, QLatin1Char(' '))
           + c.toString(time, " hh:mm:ss yyyy");
}
