// The gateway emulator: stands for one or many gateways on a network
// interface and answers the toolbox as they would.

#include "deviceset.h"
#include "emulatorlog.h"
#include "emulatoroptions.h"
#include "filetransferoptions.h"
#include "fileuploadhandler.h"
#include "httpdevice.h"
#include "httpdeviceserver.h"
#include "httpfilelisting.h"
#include "httpside.h"
#include "networksettingsfiles.h"
#include "rawframeio.h"
#include "vekfileservice.h"
#include "vekresponder.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ax-gateway-emulator"));

    EmulatorOptions options;
    FileTransferOptions fileOptions;
    NetworkSettingsFiles networkSettings;
    QStringList withoutNetworkSettings;
    QStringList arguments;
    QString error;
    if (!networkSettings.take(app.arguments(), &withoutNetworkSettings, &error)
        || !fileOptions.take(withoutNetworkSettings, &arguments, &error) || !options.parse(arguments, &error)) {
        std::fprintf(stderr, "ax-gateway-emulator: %s\n", qPrintable(error));
        return 2;
    }

    DeviceSet devices(options.devices);
    RawFrameIo io;
    if (!io.open(options.interfaceName, &error)) {
        std::fprintf(stderr, "ax-gateway-emulator: cannot open %s: %s\n", qPrintable(options.interfaceName),
                     qPrintable(error));
        return 1;
    }
    VekResponder vek(&devices, &io);
    QList<HttpDevice *> webSides;
    if (!startHttpSide(&devices, options.http, &app, &error, &webSides)) {
        std::fprintf(stderr, "ax-gateway-emulator: %s\n", qPrintable(error));
        return 1;
    }
    VekFileService files(&devices, &io);
    if (!files.configure(fileOptions, &error)) {
        std::fprintf(stderr, "ax-gateway-emulator: %s\n", qPrintable(error));
        return 2;
    }
    networkSettings.install(&devices, &files);
    for (HttpDevice *web : std::as_const(webSides)) {
        FileUploadHandler::install(web->server(), files.store(web->server()->address()), fileOptions.endlessFile);
        HttpFileListing::install(web, files.store(web->server()->address()), fileOptions.filesFolder);
    }

    EmulatorLog::line(QStringLiteral("READY %1 devices on %2").arg(devices.count()).arg(options.interfaceName));
    return app.exec();
}
