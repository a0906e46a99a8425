#include "httpfilelisting.h"

#include "devicefilestore.h"
#include "emulatorlog.h"
#include "httpdevice.h"
#include "httpdeviceserver.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <memory>

namespace {

QByteArray entryLine(const char *permissions, qint64 size, const QString &name)
{
    return QByteArray(permissions) + "    1 root     root     "
           + QByteArray::number(size).rightJustified(9, ' ') + " Jan  1 00:00 " + name.toLocal8Bit() + '\n';
}

} // namespace

void HttpFileListing::install(HttpDevice *device, DeviceFileStore *store, const QString &filesFolder)
{
    if (!device->server()->config().jsonRpc)
        return;
    // Shared, as the server copies its handlers and the device clock must stay one.
    const auto rpc = std::make_shared<HttpFileListing>(device, store, filesFolder);
    device->server()->setHandler(QStringLiteral("/json-rpc.jsn"),
                                 [rpc](const HttpRequest &request) { return rpc->handle(request); });
}

HttpFileListing::HttpFileListing(HttpDevice *device, DeviceFileStore *store, const QString &filesFolder)
    : store(store)
    , folder(filesFolder)
    , jsonRpc(device->server()->address(), device->server()->config())
{
}

HttpResponse HttpFileListing::handle(const HttpRequest &request)
{
    const QJsonObject envelope = QJsonDocument::fromJson(request.body).object();
    if (envelope.value(QStringLiteral("method")).toString() == QLatin1String("list files")) {
        const QByteArray text = listing(folder);
        if (!store->store(QStringLiteral("dirlist.txt"), text))
            EmulatorLog::line(QStringLiteral("FILES no room for dirlist.txt"));
    }
    return jsonRpc.handle(request);
}

QByteArray HttpFileListing::listing(const QString &filesFolder)
{
    // The device lists into the file it lists, so the file shows in its own listing.
    QMap<QString, qint64> files{{QStringLiteral("dirlist.txt"), 0}};
    for (const QFileInfo &file : QDir(filesFolder).entryInfoList(QDir::Files))
        files.insert(file.fileName(), file.size());
    files.insert(QStringLiteral("logs"), -1);

    QByteArray text = "./:\n";
    qint64 blocks = 0;
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        if (file.value() < 0) {
            text += entryLine("drwxr-xr-x", 0, file.key());
            continue;
        }
        text += entryLine("-rw-r--r--", file.value(), file.key());
        blocks += (file.value() + 1023) / 1024;
    }
    text += "total " + QByteArray::number(blocks) + "\n\n";
    text += "./logs:\n" + entryLine("-rw-r--r--", 12, QStringLiteral("old.csv"));
    return text;
}
