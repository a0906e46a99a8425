#ifndef FILEUPLOADHANDLER_H
#define FILEUPLOADHANDLER_H

#include "httpmessage.h"

#include <QString>

class DeviceFileStore;
class HttpDeviceServer;

// The device's web side of file transfer over its file store: the upload CGI
// ("/ardentix.cgi", a multipart form whose part "upload" carries the file) and
// plain fetches of stored files by path.
class FileUploadHandler
{
public:
    static const QString UploadPath;

    // Serves the store on the device's web server: the CGI and, for every
    // path without a handler of its own, the stored files, and endlessFile
    // (when named) as a body that never ends.
    static void install(HttpDeviceServer *server, DeviceFileStore *store, const QString &endlessFile);

    FileUploadHandler(DeviceFileStore *store, const QString &endlessFile);

    // The answer text holds "Success" only when the file was stored.
    HttpResponse upload(const HttpRequest &request) const;
    HttpResponse fetch(const HttpRequest &request) const;

private:
    static QByteArray boundaryOf(const QByteArray &contentType);
    static QString headerParameter(const QByteArray &headers, const QByteArray &name);

    DeviceFileStore *m_store;
    QString m_endlessFile;
};

#endif // FILEUPLOADHANDLER_H
