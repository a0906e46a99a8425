#ifndef JSONREPLY_H
#define JSONREPLY_H

#include <QString>
#include <QVariantMap>

class QHostAddress;
class QNetworkReply;

// Reading a device's answer, which is untrusted: a body past the size limit
// counts as a failed reply, text stops at the first zero byte, and only an
// answer carrying an HTTP status from the device's own address counts as one
// the device gave.
namespace JsonReply {

// The reply ended with a network or HTTP error, or its body is too large.
bool failed(QNetworkReply *reply);

// The device at that address answered at all (an HTTP status came back from
// it), even with an error. A secure gateway or a host a redirect led to
// answers for itself, not for the device.
bool answeredByDevice(QNetworkReply *reply, const QHostAddress &device);

// The body as Latin-1 text up to its first zero byte; false when it is too large.
bool readText(QNetworkReply *reply, QString *text);

// The body parsed as a JSON object; success false when it is too large or
// does not parse. A valid body that is not an object gives an empty map.
QVariantMap readObject(QNetworkReply *reply, bool &success);

} // namespace JsonReply

#endif // JSONREPLY_H
