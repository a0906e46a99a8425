#ifndef JSONDEVICEREQUEST_H
#define JSONDEVICEREQUEST_H

#include "model/ardentixdevice.h"

#include <QString>

// A JSON-RPC client request waiting for its answer: the device as it was when
// the request left, and the request's id.
struct JsonDeviceRequest
{
    ArdentixDevice device;
    quint32 requestId = 0;
    QString fileName;   // a file get's name as its answer reports it, so a time-out can report it too
    bool probe = false; // part of a probe of what the device supports
};

// A file sent by HTTP and waiting for the device's answer.
struct JsonFileRequest
{
    ArdentixDevice device;
    quint32 requestId = 0;
    QString filePath;
};

#endif // JSONDEVICEREQUEST_H
