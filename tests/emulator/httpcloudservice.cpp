#include "httpcloudservice.h"

#include "httpdeviceserver.h"

#include <QDateTime>

namespace {

// The cloud answers at once and asks for no device credentials.
HttpDeviceConfig cloudConfig(HttpDeviceConfig config)
{
    config.user.clear();
    config.password.clear();
    config.delayMs = 0;
    config.garbage = false;
    if (!config.cloudCertificateFile.isEmpty()) {
        config.certificateFile = config.cloudCertificateFile;
        config.keyFile = config.cloudKeyFile;
    }
    return config;
}

} // namespace

HttpCloudService::HttpCloudService(const QHostAddress &address, const HttpDeviceConfig &config, QObject *parent)
    : QObject(parent)
    , webServer(new HttpDeviceServer(address, cloudConfig(config), this))
{
    webServer->setHandler("/get_time", [](const HttpRequest &) {
        return HttpResponse::json("{\"time\":" + QByteArray::number(QDateTime::currentSecsSinceEpoch()) + "}");
    });
    webServer->setFallbackHandler([](const HttpRequest &) {
        return HttpResponse::text(200, "<html><body>Secure gateway</body></html>");
    });
}

bool HttpCloudService::start(QString *error)
{
    return webServer->start(error);
}
