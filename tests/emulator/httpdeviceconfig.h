#ifndef HTTPDEVICECONFIG_H
#define HTTPDEVICECONFIG_H

#include <QHostAddress>
#include <QString>

class QCommandLineParser;

// How the emulated devices' web servers behave; the same for every device of
// one emulator run. Filled from the command line by fromOptions().
struct HttpDeviceConfig
{
    bool enabled = false;             // --http: serve the web side at all
    bool jsonRpc = true;              // false: "/json-rpc.jsn" is not found
    QString user;                     // HTTP Basic authentication when not empty
    QString password;
    bool refuseCredentials = false;   // refuse even the right credentials
    QString securityMode = QStringLiteral("http");
    QString securityValue = QStringLiteral("true");
    QString securityRedirect;         // Location for the plain-HTTP security page
    int delayMs = 0;                  // every answer this late
    bool garbage = false;             // JSON bodies that are not JSON
    bool refuseIpUpdate = false;      // "update ip settings" answers "Error"
    QString rtcStatus = QStringLiteral("Initialized");
    QString certificateFile;          // HTTPS served only with both files
    QString keyFile;
    quint16 httpPort = 80;
    quint16 httpsPort = 443;
    QHostAddress cloudAddress;        // serve the cloud time service and secure gateway here
    QString cloudCertificateFile;     // the cloud's own certificate, else the devices'
    QString cloudKeyFile;
    QString hostileAnswer;            // a mode of HostileAnswer given to every request

    static void addOptions(QCommandLineParser &parser);
    static bool fromOptions(const QCommandLineParser &parser, HttpDeviceConfig *config, QString *error);

    bool httpsEnabled() const { return !certificateFile.isEmpty() && !keyFile.isEmpty(); }
    bool authenticationEnabled() const { return !user.isEmpty(); }
};

#endif // HTTPDEVICECONFIG_H
