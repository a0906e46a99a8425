#include "comm/json/jsontext.h"

#include <QStringList>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>

#include <cmath>

namespace JsonText {

namespace {

enum Token {
    TokenNone = 0,
    TokenObjectOpen = 1,
    TokenObjectClose = 2,
    TokenArrayOpen = 3,
    TokenArrayClose = 4,
    TokenColon = 5,
    TokenComma = 6,
    TokenString = 7,
    TokenNumber = 8,
    TokenTrue = 9,
    TokenFalse = 10,
    TokenNull = 11
};

const QString kWhitespace = QStringLiteral(" \t\n\r");
const QString kNumberCharacters = QStringLiteral("0123456789+-.eE");

QVariant parseValue(const QString &json, qsizetype &index, bool &success, int depth);

void skipWhitespace(const QString &json, qsizetype &index)
{
    while (index < json.size() && kWhitespace.contains(json.at(index)))
        ++index;
}

Token nextToken(const QString &json, qsizetype &index)
{
    skipWhitespace(json, index);
    if (index >= json.size())
        return TokenNone;

    const QChar c = json.at(index);
    ++index;
    switch (c.unicode()) {
    case '{': return TokenObjectOpen;
    case '}': return TokenObjectClose;
    case '[': return TokenArrayOpen;
    case ']': return TokenArrayClose;
    case ':': return TokenColon;
    case ',': return TokenComma;
    case '"': return TokenString;
    case '-': case '0': case '1': case '2': case '3': case '4':
    case '5': case '6': case '7': case '8': case '9':
        return TokenNumber;
    default:
        break;
    }
    --index;

    const qsizetype remaining = json.size() - index;
    if (remaining < 4)
        return TokenNone;
    if (QStringView(json).mid(index, 4) == QLatin1String("true")) {
        index += 4;
        return TokenTrue;
    }
    if (remaining >= 5 && QStringView(json).mid(index, 5) == QLatin1String("false")) {
        index += 5;
        return TokenFalse;
    }
    if (QStringView(json).mid(index, 4) == QLatin1String("null")) {
        index += 4;
        return TokenNull;
    }
    return TokenNone;
}

Token lookAhead(const QString &json, qsizetype index)
{
    return nextToken(json, index);
}

// Four hexadecimal digits; a group that is not one counts as code 0.
ushort hexCode(QStringView digits)
{
    ushort code = 0;
    for (const QChar digit : digits) {
        const int value = QStringLiteral("0123456789abcdef").indexOf(digit, 0, Qt::CaseInsensitive);
        if (value < 0)
            return 0;
        code = ushort(code * 16 + value);
    }
    return code;
}

QVariant parseString(const QString &json, qsizetype &index, bool &success)
{
    QString text;
    skipWhitespace(json, index);
    ++index; // the opening quote, whatever character it is

    while (index < json.size()) {
        const QChar c = json.at(index++);
        if (c == QLatin1Char('"'))
            return text;
        if (c != QLatin1Char('\\')) {
            text.append(c);
            continue;
        }
        if (index >= json.size())
            break;
        const QChar escaped = json.at(index++);
        switch (escaped.unicode()) {
        case '"': text.append(QLatin1Char('"')); break;
        case '\\': text.append(QLatin1Char('\\')); break;
        case '/': text.append(QLatin1Char('/')); break;
        case 'b': text.append(QChar(0x08)); break;
        case 'f': text.append(QChar(0x0C)); break;
        case 'n': text.append(QLatin1Char('\n')); break;
        case 'r': text.append(QLatin1Char('\r')); break;
        case 't': text.append(QLatin1Char('\t')); break;
        case 'u': {
            if (json.size() - index < 4) {
                success = false;
                return QVariant();
            }
            text.append(QChar(hexCode(QStringView(json).mid(index, 4))));
            index += 4;
            break;
        }
        default:
            break; // an unknown escape is dropped with its backslash
        }
    }
    success = false;
    return QVariant();
}

QVariant parseNumber(const QString &json, qsizetype &index)
{
    skipWhitespace(json, index);
    const qsizetype start = index;
    while (index < json.size() && kNumberCharacters.contains(json.at(index)))
        ++index;
    const QString run = json.mid(start, index - start);

    // A run that does not convert reads as 0 of its type without failing.
    if (run.contains(QLatin1Char('.'))) {
        bool converted = false;
        const double value = run.toDouble(&converted);
        return converted ? value : 0.0;
    }
    if (run.startsWith(QLatin1Char('-')))
        return run.toLongLong(nullptr, 10);
    return run.toULongLong(nullptr, 10);
}

// The members of an object or an array, each read by readMember, up to the
// closing token; commas, also extra ones, are skipped. False when the text ends
// first or a member cannot be read.
template<typename ReadMember>
bool parseMembers(const QString &json, qsizetype &index, Token close, ReadMember readMember)
{
    nextToken(json, index); // '{' or '['

    for (;;) {
        const Token token = lookAhead(json, index);
        if (token == TokenNone)
            return false;
        if (token == TokenComma) {
            nextToken(json, index);
            continue;
        }
        if (token == close) {
            nextToken(json, index);
            return true;
        }
        if (!readMember())
            return false;
    }
}

QVariant parseObject(const QString &json, qsizetype &index, bool &success, int depth)
{
    QVariantMap map;
    success = parseMembers(json, index, TokenObjectClose, [&] {
        const QString key = parseString(json, index, success).toString();
        if (!success || nextToken(json, index) != TokenColon)
            return false;
        const QVariant value = parseValue(json, index, success, depth);
        if (!success)
            return false;
        map.insert(key, value); // a repeated key keeps its last value
        return true;
    });
    return success ? map : QVariantMap();
}

QVariant parseArray(const QString &json, qsizetype &index, bool &success, int depth)
{
    QVariantList list;
    success = parseMembers(json, index, TokenArrayClose, [&] {
        const QVariant value = parseValue(json, index, success, depth);
        if (!success)
            return false;
        list.append(value);
        return true;
    });
    return success ? list : QVariantList();
}

QVariant parseValue(const QString &json, qsizetype &index, bool &success, int depth)
{
    switch (lookAhead(json, index)) {
    case TokenObjectOpen:
    case TokenArrayOpen:
        if (depth >= kMaxNestingDepth) {
            success = false;
            return QVariant();
        }
        if (lookAhead(json, index) == TokenObjectOpen)
            return parseObject(json, index, success, depth + 1);
        return parseArray(json, index, success, depth + 1);
    case TokenString:
        return parseString(json, index, success);
    case TokenNumber:
        return parseNumber(json, index);
    case TokenTrue:
        nextToken(json, index);
        return true;
    case TokenFalse:
        nextToken(json, index);
        return false;
    case TokenNull:
        nextToken(json, index);
        return QVariant();
    default:
        success = false;
        return QVariant();
    }
}

QString escapeString(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    escaped.replace(QLatin1String("\""), QLatin1String("\\\""));
    escaped.replace(QChar(0x08), QLatin1String("\\b"));
    escaped.replace(QChar(0x0C), QLatin1String("\\f"));
    escaped.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    escaped.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    escaped.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QByteArray joinBytes(const QList<QByteArray> &items, const QByteArray &separator)
{
    QByteArray joined;
    for (const QByteArray &item : items) {
        if (!joined.isEmpty())
            joined += separator;
        joined += item;
    }
    return joined;
}

// Writes "{ key : value, ... }" for any container of (key, value) pairs.
template <typename Container>
QByteArray serializeObject(const Container &members, bool &success)
{
    QList<QByteArray> pairs;
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        const QByteArray value = serialize(it.value());
        if (value.isNull()) {
            success = false;
            return QByteArray();
        }
        pairs.append(escapeString(it.key()).toUtf8() + " : " + value);
    }
    return "{ " + joinBytes(pairs, ", ") + " }";
}

QByteArray serializeList(const QVariantList &elements, bool &success)
{
    QList<QByteArray> values;
    for (const QVariant &element : elements) {
        const QByteArray value = serialize(element);
        if (value.isNull()) {
            success = false;
            return QByteArray();
        }
        values.append(value);
    }
    return "[ " + joinBytes(values, ", ") + " ]";
}

QByteArray serializeDouble(double value, bool &success)
{
    // inf and nan have no JSON form.
    if (!std::isfinite(value)) {
        success = false;
        return QByteArray();
    }
    QByteArray text = QByteArray::number(value, 'g', 20);
    if (!text.contains('.') && !text.contains('e'))
        text += ".0";
    return text;
}

} // namespace

QVariant parse(const QString &json, bool &success)
{
    success = true;
    if (json.isNull())
        return QVariant();
    qsizetype index = 0;
    return parseValue(json, index, success, 0);
}

QVariant parse(const QString &json)
{
    bool success;
    return parse(json, success);
}

QByteArray serialize(const QVariant &data, bool &success)
{
    success = true;
    if (!data.isValid())
        return QByteArrayLiteral("null");

    QByteArray text;
    switch (data.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        text = serializeList(data.toList(), success);
        break;
    case QMetaType::QVariantHash:
        text = serializeObject(data.toHash(), success);
        break;
    case QMetaType::QVariantMap:
        text = serializeObject(data.toMap(), success);
        break;
    case QMetaType::QString:
    case QMetaType::QByteArray:
        text = escapeString(data.toString()).toUtf8();
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        text = serializeDouble(data.toDouble(), success);
        break;
    case QMetaType::Bool:
        text = data.toBool() ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
        break;
    case QMetaType::ULongLong:
        text = QByteArray::number(data.toULongLong());
        break;
    default: {
        bool converted = false;
        if (data.canConvert<qlonglong>()) {
            const qlonglong number = data.toLongLong(&converted);
            if (converted)
                text = QByteArray::number(number);
        }
        if (!converted && data.canConvert<QString>())
            text = escapeString(data.toString()).toUtf8();
        else if (!converted)
            success = false;
        break;
    }
    }
    return success ? text : QByteArray();
}

QByteArray serialize(const QVariant &data)
{
    bool success;
    return serialize(data, success);
}

} // namespace JsonText
