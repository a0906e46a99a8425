#include "fileuploadhandler.h"

#include "devicefilestore.h"
#include "emulatorlog.h"
#include "httpdeviceserver.h"

const QString FileUploadHandler::UploadPath = QStringLiteral("/ardentix.cgi");

void FileUploadHandler::install(HttpDeviceServer *server, DeviceFileStore *store, const QString &endlessFile)
{
    const FileUploadHandler handler(store, endlessFile);
    server->setHandler(UploadPath, [handler](const HttpRequest &request) { return handler.upload(request); });
    server->setFallbackHandler([handler](const HttpRequest &request) { return handler.fetch(request); });
}

FileUploadHandler::FileUploadHandler(DeviceFileStore *store, const QString &endlessFile)
    : m_store(store)
    , m_endlessFile(endlessFile)
{
}

HttpResponse FileUploadHandler::upload(const HttpRequest &request) const
{
    const QByteArray boundary = boundaryOf(request.headers.value("content-type"));
    if (request.method != "POST" || boundary.isEmpty())
        return HttpResponse::text(400, "<html><body>Upload failed: not a multipart form</body></html>");
    const QByteArray &body = request.body;
    const QByteArray delimiter = "--" + boundary;

    qsizetype partStart = body.indexOf(delimiter);
    while (partStart >= 0) {
        const qsizetype headersStart = partStart + delimiter.size() + 2;   // past CR LF
        const qsizetype headersEnd = body.indexOf("\r\n\r\n", headersStart);
        if (headersEnd < 0)
            break;
        const qsizetype dataEnd = body.indexOf("\r\n" + delimiter, headersEnd + 4);
        if (dataEnd < 0)
            break;
        const QByteArray headers = body.mid(headersStart, headersEnd - headersStart);
        if (headerParameter(headers, "name") == QLatin1String("upload")) {
            const QString name = headerParameter(headers, "filename");
            if (name.isEmpty())
                return HttpResponse::text(200, "<html><body>Upload failed: no file name</body></html>");
            if (!m_store->store(name, body.mid(headersEnd + 4, dataEnd - headersEnd - 4)))
                return HttpResponse::text(200, "<html><body>Upload failed: not enough space</body></html>");
            EmulatorLog::line(QStringLiteral("UPLOAD %1 %2").arg(request.localAddress.toString(), name));
            return HttpResponse::text(200, "<html><body>File upload Success: " + name.toHtmlEscaped().toUtf8()
                                               + "</body></html>");
        }
        partStart = dataEnd + 2;
    }
    return HttpResponse::text(200, "<html><body>Upload failed: no file part</body></html>");
}

HttpResponse FileUploadHandler::fetch(const HttpRequest &request) const
{
    const QString name = request.path.mid(1);
    if (request.method == "GET" && !m_endlessFile.isEmpty() && name == m_endlessFile) {
        HttpResponse endless{200, "application/octet-stream", {}, {}};
        endless.endless = true;
        return endless;
    }
    if (request.method != "GET" || !request.path.startsWith(QLatin1Char('/')) || !m_store->contains(name))
        return HttpResponse::text(404, "404 Not Found");
    return {200, "application/octet-stream", m_store->file(name), {}};
}

QByteArray FileUploadHandler::boundaryOf(const QByteArray &contentType)
{
    if (!contentType.trimmed().toLower().startsWith("multipart/form-data"))
        return QByteArray();
    const qsizetype at = contentType.indexOf("boundary=");
    if (at < 0)
        return QByteArray();
    QByteArray boundary = contentType.mid(at + 9);
    const qsizetype end = boundary.indexOf(';');
    if (end >= 0)
        boundary.truncate(end);
    boundary = boundary.trimmed();
    if (boundary.size() >= 2 && boundary.startsWith('"') && boundary.endsWith('"'))
        boundary = boundary.mid(1, boundary.size() - 2);
    return boundary;
}

// A parameter of the part's Content-Disposition; curl writes '"' and line
// breaks in names as %22, %0A and %0D.
QString FileUploadHandler::headerParameter(const QByteArray &headers, const QByteArray &name)
{
    const QByteArray key = "; " + name + "=\"";
    const qsizetype start = headers.indexOf(key);
    if (start < 0)
        return QString();
    const qsizetype valueStart = start + key.size();
    const qsizetype valueEnd = headers.indexOf('"', valueStart);
    if (valueEnd < 0)
        return QString();
    QByteArray value = headers.mid(valueStart, valueEnd - valueStart);
    value.replace("%22", "\"").replace("%0A", "\n").replace("%0D", "\r");
    return QString::fromUtf8(value);
}
