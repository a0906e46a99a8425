#ifndef JSONTEXT_H
#define JSONTEXT_H

#include <QByteArray>
#include <QString>
#include <QVariant>

// JSON text to Qt variants and back. The output spacing is fixed: devices
// read the request bodies exactly as these functions write them.
//
// Objects become QVariantMap, arrays QVariantList, strings QString, numbers
// double (with a '.'), qlonglong (leading '-') or qulonglong, true and false
// bool, and null an invalid QVariant.
namespace JsonText {

// Containers nested deeper than this make the text invalid; untrusted text
// must not drive the reader's recursion without bound.
constexpr int kMaxNestingDepth = 64;

// Reads one value from the start of the text; text after it is not examined.
// A null text gives an invalid value with success true.
QVariant parse(const QString &json, bool &success);
QVariant parse(const QString &json);

// Writes the value as UTF-8 text. A value that cannot be written gives a null
// byte array and success false.
QByteArray serialize(const QVariant &data, bool &success);
QByteArray serialize(const QVariant &data);

} // namespace JsonText

#endif // JSONTEXT_H
