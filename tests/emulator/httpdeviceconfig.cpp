#include "httpdeviceconfig.h"

#include "hostileanswer.h"

#include <QCommandLineParser>

void HttpDeviceConfig::addOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {"http", "Serve each device's web side (HTTP, JSON-RPC, HTTPS) on its own address."},
        {"no-json-rpc", "Devices do not serve JSON-RPC."},
        {"http-user", "User name of HTTP Basic authentication (off without it).", "name"},
        {"http-password", "Password of HTTP Basic authentication.", "password"},
        {"refuse-credentials", "Refuse every credential, right or wrong."},
        {"security-mode", "\"mode\" of the security configuration page.", "mode", "http"},
        {"security-value", "\"value\" of the security configuration page.", "value", "true"},
        {"security-redirect", "Redirect the plain-HTTP security page to this location.", "location"},
        {"http-delay", "Answer every HTTP request this many ms late.", "ms", "0"},
        {"http-garbage", "Answer JSON requests with text that is not JSON."},
        {"refuse-ip-update", "Answer \"update ip settings\" with the status \"Error\"."},
        {"rtc-status", "\"RTC Status\" of the device clock.", "status", "Initialized"},
        {"https-cert", "PEM certificate of the HTTPS server.", "file"},
        {"https-key", "PEM private key of the HTTPS server.", "file"},
        {"http-port", "Port of the plain HTTP server.", "port", "80"},
        {"https-port", "Port of the HTTPS server.", "port", "443"},
        {"cloud-address", "Also serve the cloud time service and secure gateway at this address.", "address"},
        {"cloud-cert", "PEM certificate of the cloud stand-in.", "file"},
        {"cloud-key", "PEM private key of the cloud stand-in.", "file"},
        {"http-hostile", "Answer every HTTP request with a hostile answer: "
                         + HostileAnswer::modes().join(", ") + ".", "mode"},
    });
}

bool HttpDeviceConfig::fromOptions(const QCommandLineParser &parser, HttpDeviceConfig *config, QString *error)
{
    bool delayOk = false;
    bool httpPortOk = false;
    bool httpsPortOk = false;
    config->enabled = parser.isSet("http");
    config->jsonRpc = !parser.isSet("no-json-rpc");
    config->user = parser.value("http-user");
    config->password = parser.value("http-password");
    config->refuseCredentials = parser.isSet("refuse-credentials");
    config->securityMode = parser.value("security-mode");
    config->securityValue = parser.value("security-value");
    config->securityRedirect = parser.value("security-redirect");
    config->delayMs = parser.value("http-delay").toInt(&delayOk);
    config->garbage = parser.isSet("http-garbage");
    config->refuseIpUpdate = parser.isSet("refuse-ip-update");
    config->rtcStatus = parser.value("rtc-status");
    config->certificateFile = parser.value("https-cert");
    config->keyFile = parser.value("https-key");
    config->httpPort = parser.value("http-port").toUShort(&httpPortOk);
    config->httpsPort = parser.value("https-port").toUShort(&httpsPortOk);
    config->cloudCertificateFile = parser.value("cloud-cert");
    config->cloudKeyFile = parser.value("cloud-key");
    config->hostileAnswer = parser.value("http-hostile");
    if (parser.isSet("cloud-address"))
        config->cloudAddress = QHostAddress(parser.value("cloud-address"));

    if (!delayOk || config->delayMs < 0) {
        *error = "bad --http-delay: " + parser.value("http-delay");
        return false;
    }
    if (!httpPortOk || !httpsPortOk) {
        *error = "bad --http-port or --https-port";
        return false;
    }
    if (parser.isSet("cloud-address") && config->cloudAddress.isNull()) {
        *error = "bad --cloud-address: " + parser.value("cloud-address");
        return false;
    }
    if (parser.isSet("http-hostile") && !HostileAnswer::modes().contains(config->hostileAnswer)) {
        *error = "bad --http-hostile: " + config->hostileAnswer;
        return false;
    }
    if (parser.isSet("https-cert") != parser.isSet("https-key")
        || parser.isSet("cloud-cert") != parser.isSet("cloud-key")) {
        *error = "a certificate and its key go together";
        return false;
    }
    return true;
}
