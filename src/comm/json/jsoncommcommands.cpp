// The JSON-RPC methods the toolbox calls on a device.

#include "comm/json/jsoncomm.h"

#include "comm/json/jsonreply.h"

#include <QDebug>
#include <QNetworkReply>

namespace {

// The public DNS service written by a full IP update.
const char *const kPrimaryDns = "9.9.9.9";
const char *const kSecondaryDns = "149.112.112.112";

QVariantMap ipAddressParams(const QString &n1_ip, const QString &n2_ip)
{
    QVariantMap params;
    if (!n1_ip.isEmpty())
        params.insert(QStringLiteral("N1 IP Address"), n1_ip);
    if (!n2_ip.isEmpty())
        params.insert(QStringLiteral("N2 IP Address"), n2_ip);
    return params;
}

} // namespace

bool JsonComm::UpdateIpSettings(ArdentixDevice device, QString n1_ip, QString n2_ip, bool restart)
{
    if (!device.jsonSupport)
        return false;
    QByteArray body;
    if (!buildJsonRpc(QStringLiteral("update ip settings"), ipAddressParams(n1_ip, n2_ip), body))
        return false;
    QNetworkRequest request(jsonRpcUrl(device.ipAddress.toString()));
    prepareRequest(device, request, restart ? REPLY_UPDATE_IP_RESTART : REPLY_UPDATE_IP);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json;charset=UTF-8"));
    requestThread->post(request, body);
    return true;
}

// Restarts only a device that accepted its new settings.
void JsonComm::HandleIpUpdataResponseAndRestart(QNetworkReply *reply, quint32 request_id)
{
    const ArdentixDevice device = takePendingRequest(request_id);
    if (JsonReply::failed(reply))
        return;
    bool parsed = false;
    const QVariantMap result = JsonReply::readObject(reply, parsed).value("result").toMap();
    if (!parsed || result.value("Status").toString() != QLatin1String("Success")) {
        qDebug() << "[JSON] IP settings not accepted, no restart:" << device.ipAddress.toString();
        return;
    }
    restartAfterIpChange(device);
}

bool JsonComm::RestartDevice(ArdentixDevice device)
{
    qDebug() << "[JSON] Restart device";
    if (!device.jsonSupport)
        return false;
    return restartAfterIpChange(device);
}

bool JsonComm::restartAfterIpChange(ArdentixDevice device)
{
    const bool posted = postJsonRpc(device, QStringLiteral("system restart"), QVariantMap(), KIND_RESTART);
    if (posted)
        qDebug() << "[JSON] Restart device after IP change";
    return posted;
}

bool JsonComm::TimeSyncRequest(QDateTime date_time, ArdentixDevice device)
{
    if (!device.jsonSupport)
        return false;
    const QDate date = date_time.date();
    const QTime time = date_time.time();
    const QVariantMap params{
        {"Day", QString::number(date.day(), 10)},
        {"Hour", QString::number(time.hour(), 10)},
        {"Minute", QString::number(time.minute(), 10)},
        {"Month", QString::number(date.month(), 10)},
        {"Second", QString::number(time.second(), 10)},
        {"Year", QString::number(date.year(), 10)},
    };
    return postJsonRpc(device, QStringLiteral("System Time Synch"), params, KIND_TIME_SYNC);
}

quint32 JsonComm::readSystemTime(ArdentixDevice device)
{
    if (!postJsonRpc(device, QStringLiteral("Read System Time"), QVariantMap(), KIND_READ_TIME))
        return kNoRequest;
    return requestCounter;
}

bool JsonComm::ReadAuthStatus(ArdentixDevice device)
{
    if (!device.isIpReachable() && !device.userDevice)
        return false;
    return postJsonRpc(device, QStringLiteral("Read Auth Status"), {{"protocol_version", 1}}, KIND_AUTH_STATUS);
}

bool JsonComm::ReadSystemStatus(ArdentixDevice device)
{
    return postJsonRpc(device, QStringLiteral("read system status"), {{"protocol_version", 1}}, KIND_SYSTEM_STATUS);
}

// A re-check asked while the device's last probe is still waiting or on the
// wire joins it: a slow device is never asked twice at once, and the queue of
// requests holds at most one probe per device.
void JsonComm::CheckAxguiSupport(ArdentixDevice device)
{
    if (!probesUnderWay.contains(device.ipAddress))
        ReadSystemStatus(device);
}

quint32 JsonComm::requestFileList(ArdentixDevice device)
{
    const QVariantMap params{
        {"print_to_file", QStringLiteral("true")},
        {"print_to_screen", QStringLiteral("false")},
        {"protocol_version", 2},
    };
    return postJsonRequest(QStringLiteral("list files"), params, device);
}

quint32 JsonComm::readDataArray(ArdentixDevice device, QString name, int start, int length)
{
    qDebug() << "JSON Request DA";
    const QVariantMap params{
        {"Display Mode", QStringLiteral("U")},
        {"Length", QString::number(length, 10)},
        {"Name", name},
        {"Start", QString::number(start, 10)},
    };
    return postJsonRequest(QStringLiteral("Read Data Array"), params, device);
}

quint32 JsonComm::writeDataArray(ArdentixDevice device, QString name, int start, QString value)
{
    const QVariantMap params{
        {"Display Mode", QStringLiteral("U")},
        {"Name", name},
        {"Start", QString::number(start, 10)},
        {"Value", value},
    };
    return postJsonRequest(QStringLiteral("Write Data Array"), params, device);
}

quint32 JsonComm::readObject(ArdentixDevice device)
{
    return postJsonReadRequest(QStringLiteral("read"), {{"Obj_ID", QStringLiteral("2_OID")}}, device);
}

quint32 JsonComm::sendSystemRestart(ArdentixDevice device)
{
    return postJsonRequest(QStringLiteral("system restart"), QVariantMap(), device);
}

quint32 JsonComm::updateIpSettingsRequest(ArdentixDevice device, QString n1_ip, QString n2_ip, QString gateway,
                                          int dhcp_state, bool set_dns)
{
    QVariantMap params = ipAddressParams(n1_ip, n2_ip);
    if (!gateway.isEmpty())
        params.insert(QStringLiteral("Default Gateway"), gateway);
    if (set_dns) {
        params.insert(QStringLiteral("Domain Name Server1"), QString::fromLatin1(kPrimaryDns));
        params.insert(QStringLiteral("Domain Name Server2"), QString::fromLatin1(kSecondaryDns));
    }
    if (dhcp_state == 1)
        params.insert(QStringLiteral("N1 DHCP Client State"), QStringLiteral("ENABLED"));
    else if (dhcp_state == 2)
        params.insert(QStringLiteral("N1 DHCP Client State"), QStringLiteral("DISABLED"));
    return postJsonRequest(QStringLiteral("update ip settings"), params, device);
}
