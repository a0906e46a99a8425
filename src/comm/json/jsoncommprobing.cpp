// What a device supports and how it is secured: the answers to "read system
// status" and "Read Auth Status", the web-interface, diagnostics and security
// pages, and the secure-gateway probe.

#include "comm/json/jsoncomm.h"

#include "comm/json/cloudendpoints.h"
#include "comm/json/jsonreply.h"
#include "comm/json/jsontext.h"

#include "model/axsignalobject.h"

#include <QDebug>
#include <QNetworkReply>


bool JsonComm::HandleReadSystemStatus(QNetworkReply *reply, quint32 request_id)
{
    const ArdentixDevice device = takePendingRequest(request_id);
    if (device.secureGwSupport) {
        requestSecurityConfig(device);
        RequestDiagnosticsPage(device);
        return true;
    }
    const QString ip = device.ipAddress.toString();

    if (!JsonReply::failed(reply)) {
        bool parsed = false;
        const QVariantMap answer = JsonReply::readObject(reply, parsed);
        if (!parsed) {
            qDebug() << "HRSS - Error geting reply_map";
            return false;
        }
        const QVariantMap error = answer.value("error").toMap();
        if (!error.isEmpty()) {
            bool isNumber = false;
            if (error.value("code").toInt(&isNumber) == -32601 && isNumber)
                qDebug() << "Unsupported RPC method";
            return false;
        }
        const QVariantMap result = answer.value("result").toMap();
        if (result.isEmpty()) {
            qDebug() << "No 'result' in reply";
            return false;
        }
        const QString status = result.value("Status").toString();
        if (status.isEmpty()) {
            qDebug() << "No 'Status' in data";
            return false;
        }
        if (status == QLatin1String("Success")) {
            RequestIndexPage(device);
            RequestDiagnosticsPage(device);
            bus->_slot_up_json_support(ip, true, false);
        }
        return true;
    }

    QString body;
    JsonReply::readText(reply, &body);
    if (body.contains(QLatin1String("Unauthorized"))) {
        bus->_slot_up_set_device_password_protection(ip, true);
        bus->_slot_up_axgui_support(ip, true, true);
        bus->_slot_up_json_support(ip, true, false);
    }
    return false;
}

void JsonComm::ProcessAxguiIndexResponse(QNetworkReply *reply, quint32 request_id)
{
    reportPage(reply, request_id, reply->error() == QNetworkReply::NoError,
               &AxSignalObject::_slot_up_axgui_support);
}

// A diagnostics page that asks for a login is there.
void JsonComm::ProcessDiagnosticIndexResponse(QNetworkReply *reply, quint32 request_id)
{
    const QNetworkReply::NetworkError error = reply->error();
    reportPage(reply, request_id, error == QNetworkReply::NoError || error == QNetworkReply::AuthenticationRequiredError,
               &AxSignalObject::_slot_up_diag_support);
}

// A page of the device's web side: there, or not and whether the device answered at all.
void JsonComm::reportPage(QNetworkReply *reply, quint32 request_id, bool there, PageReport report)
{
    const QHostAddress address = takePendingRequest(request_id).ipAddress;
    const QString ip = address.toString();
    if (there) {
        (bus.data()->*report)(ip, true, true);
        return;
    }
    if (reply->errorString().contains(QLatin1String("Unauthorized"), Qt::CaseInsensitive))
        qDebug() << ip << " Need to log in";
    (bus.data()->*report)(ip, false, JsonReply::answeredByDevice(reply, address));
}

void JsonComm::processSecurityConfigResponse(QNetworkReply *reply, quint32 request_id)
{
    const ArdentixDevice device = takePendingRequest(request_id);
    const QString ip = device.ipAddress.toString();
    // After a redirect to another host, that host's answers say nothing of the device.
    const bool answered = JsonReply::answeredByDevice(reply, device.ipAddress);
    if (reply->error() != QNetworkReply::NoError) {
        qDebug() << ip << "Get Security settings Failed: " << reply->errorString();
        bus->_slot_up_axgui_support(ip, false, answered);
        bus->_slot_up_security_status(ip, SECURITY_DISABLED, answered);
        return;
    }
    bus->_slot_up_axgui_support(ip, true, answered);

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 301 || status == 302) {
        const int redirects = reply->request().attribute(RedirectCountAttribute).toInt();
        // Checked before it is resolved: no location, or one dropped as no web page,
        // would resolve to this very page and fetch it again.
        const QUrl location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        // A relative location is relative to the page that gave it.
        const QUrl target = reply->url().resolved(location);
        // Only web pages: a device must not make us read a local file or another kind of resource.
        const bool webPage = target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https");
        if (redirects >= kMaxRedirects || location.isEmpty() || !location.isValid() || !target.isValid()
            || !webPage) {
            qDebug() << ip << "Security settings redirected too often or nowhere:" << target.toString();
            bus->_slot_up_security_status(ip, SECURITY_DISABLED, answered);
            return;
        }
        requestSecurityConfigUrl(device, target, redirects + 1);
        return;
    }

    QString body;
    const bool withinLimit = JsonReply::readText(reply, &body);
    if (withinLimit && body.isEmpty()) {
        qDebug() << QStringLiteral("Security Config Empty");
        bus->_slot_up_security_status(ip, SECURITY_DISABLED, answered);
        return;
    }
    bool parsed = false;
    const QVariantMap config = withinLimit ? JsonText::parse(body, parsed).toMap() : QVariantMap();
    if (!parsed) {
        qDebug() << QStringLiteral("error parsing get security config reply");
        bus->_slot_up_security_status(ip, SECURITY_DISABLED, answered);
        return;
    }
    evaluateSecurityMode(device, config.value("value").toString(), config.value("mode").toString(), answered);
}

void JsonComm::evaluateSecurityMode(ArdentixDevice device, QString value, QString mode, bool answered)
{
    const QString ip = device.ipAddress.toString();
    if (value == QLatin1String("false") || mode == QLatin1String("https-default-certificate")) {
        if (cloudReachable)
            requestSecureDomain(device); // its answer decides between full and failed
        else
            bus->_slot_up_security_status(ip, SECURITY_HTTPS, answered);
    } else if (mode == QLatin1String("https-user-certificate")) {
        bus->_slot_up_security_status(ip, SECURITY_HTTPS, answered);
    } else if (mode == QLatin1String("http")) {
        bus->_slot_up_security_status(ip, SECURITY_DISABLED, answered);
    }
}

// The device's name under the secure-gateway domain: its address with dashes.
// It is not the device's own address, so its certificate must verify and it
// gets no credentials.
void JsonComm::requestSecureDomain(ArdentixDevice device)
{
    const QString label = device.ipAddress.toString().replace(QLatin1Char('.'), QLatin1Char('-'));
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(label + QLatin1Char('.') + CloudEndpoints::secureGatewayDomain());
    getPage(device, url, REPLY_SECURE_DOMAIN, "application/json");
}

// The secure gateway answers for itself, also while the device behind it is
// silent: neither outcome counts as traffic with the device.
void JsonComm::processSecureDomainResponse(QNetworkReply *reply, quint32 request_id)
{
    const QString ip = takePendingRequest(request_id).ipAddress.toString();
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::NoError || error == QNetworkReply::AuthenticationRequiredError) {
        bus->_slot_up_security_status(ip, SECURITY_FULL, false);
        return;
    }
    qDebug() << ip << "Secure Domain Request Failed: " << reply->errorString();
    bus->_slot_up_security_status(ip, SECURITY_DOMAIN_FAILED, false);
}

bool JsonComm::HandleAuthStatusResponse(QNetworkReply *reply, quint32 request_id)
{
    const ArdentixDevice device = takePendingRequest(request_id);
    if (JsonReply::failed(reply)) {
        const bool refused = reply->error() == QNetworkReply::AuthenticationRequiredError
                             || reply->errorString().contains(QLatin1String("Host requires authentication"),
                                                              Qt::CaseInsensitive);
        if (refused && !device.username.isEmpty())
            bus->_slot_up_user_authenticated(device, false);
        return false;
    }

    bool parsed = false;
    const QVariantMap answer = JsonReply::readObject(reply, parsed);
    if (!parsed || !answer.value("error").toMap().isEmpty())
        return false;
    const QVariantMap data = answer.value("result").toMap().value("Data").toMap();
    const QString username = data.value("username").toString();
    const QString permissions = data.value("permissions").toString();
    if (username.isEmpty() || permissions.isEmpty())
        return false;
    if (permissions == QLatin1String("read/write")) {
        qDebug() << device.ipAddress.toString() << "  -  User has Read/Write Permissions";
        bus->_slot_up_user_authenticated(device, true);
    }
    return true;
}
