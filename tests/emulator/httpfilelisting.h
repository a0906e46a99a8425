#ifndef HTTPFILELISTING_H
#define HTTPFILELISTING_H

#include "httpjsonrpc.h"

#include <QString>

class DeviceFileStore;
class HttpDevice;

// The JSON-RPC method "list files" of one emulated device, as the gateway does
// it: the device writes a recursive long-format listing of its files to its own
// file "dirlist.txt", which the PC then fetches. The device's files are those of
// the folder its file system was loaded from; the listing also shows a log
// folder, as the gateway's does. Every other method is answered as before.
class HttpFileListing
{
public:
    // Takes over the device's "/json-rpc.jsn" when it serves JSON-RPC.
    static void install(HttpDevice *device, DeviceFileStore *store, const QString &filesFolder);

    HttpFileListing(HttpDevice *device, DeviceFileStore *store, const QString &filesFolder);

    HttpResponse handle(const HttpRequest &request);

private:
    static QByteArray listing(const QString &filesFolder);

    DeviceFileStore *store;
    QString folder;
    HttpJsonRpc jsonRpc;
};

#endif // HTTPFILELISTING_H
