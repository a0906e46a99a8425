#include "httpdevice.h"

#include "httpdeviceserver.h"

#include <QJsonDocument>
#include <QJsonObject>

HttpDevice::HttpDevice(const QHostAddress &address, const HttpDeviceConfig &config, QObject *parent)
    : QObject(parent)
    , webServer(new HttpDeviceServer(address, config, this))
    , jsonRpc(address, config)
{
    if (config.jsonRpc)
        webServer->setHandler("/json-rpc.jsn", [this](const HttpRequest &request) { return jsonRpc.handle(request); });
    webServer->setHandler("/index.htm", [](const HttpRequest &) {
        return HttpResponse::text(200, "<html><head><title>Gateway</title></head><body>Web interface</body></html>");
    });
    webServer->setHandler("/diagnosticComponent/ui/", [](const HttpRequest &) {
        return HttpResponse::text(200, "<html><body>Diagnostics</body></html>");
    });
    webServer->setHandler("/appHost/webServerSecurityConfigured",
                          [this](const HttpRequest &request) { return securityConfiguration(request); }, false);
}

bool HttpDevice::start(QString *error)
{
    return webServer->start(error);
}

HttpDeviceServer *HttpDevice::server() const
{
    return webServer;
}

// A configured redirect applies to the plain-HTTP page without a query, so a
// redirect to the same path with a query, or over HTTPS, ends.
HttpResponse HttpDevice::securityConfiguration(const HttpRequest &request) const
{
    const HttpDeviceConfig &config = webServer->config();
    if (!config.securityRedirect.isEmpty() && !request.secure && request.query.isEmpty()) {
        HttpResponse redirect = HttpResponse::text(302, "302 Found");
        redirect.headers.append(qMakePair(QByteArray("Location"), config.securityRedirect.toUtf8()));
        return redirect;
    }
    if (config.garbage)
        return HttpResponse::json("{\"value\": \"tr");
    const QJsonObject security{{"value", config.securityValue}, {"mode", config.securityMode}};
    return HttpResponse::json(QJsonDocument(security).toJson(QJsonDocument::Compact));
}
