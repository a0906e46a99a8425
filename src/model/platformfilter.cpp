#include "platformfilter.h"

#include <QDebug>
#include <QFile>
#include <QStringDecoder>

namespace {

const QString filterKey = QStringLiteral("platform_name_includes");

QString unquoted(const QString &value)
{
    if (value.size() < 2 || !value.startsWith(QLatin1Char('"')) || !value.endsWith(QLatin1Char('"')))
        return value;
    QString text;
    const QString inner = value.mid(1, value.size() - 2);
    for (int k = 0; k < inner.size(); ++k) {
        if (inner.at(k) == QLatin1Char('\\') && k + 1 < inner.size())
            ++k;
        text += inner.at(k);
    }
    return text;
}

// The value of the key at top level or in [General], the last one winning.
QString filterValue(const QString &contents)
{
    QString value;
    QString section;
    for (QString line : contents.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1).trimmed();
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || line.left(equals).trimmed() != filterKey)
            continue;
        if (section.isEmpty() || section == QLatin1String("General"))
            value = unquoted(line.mid(equals + 1).trimmed());
    }
    return value;
}

QString asciiLowered(QString text)
{
    for (QChar &c : text) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return text;
}

} // namespace

QStringList readPlatformFilter(const QString &fileName)
{
    const QStringList noFilter{QString()};
    QFile file(fileName);
    if (!file.exists())
        return noFilter;
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "Cannot read the platform filter file, listing every platform:" << fileName
                   << file.errorString();
        return noFilter;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString contents = decoder.decode(bytes);
    if (decoder.hasError() || bytes.contains('\0')) {
        qWarning() << "The platform filter file is damaged, listing every platform:" << fileName;
        return noFilter;
    }
    return filterValue(contents).split(QLatin1Char(';'), Qt::KeepEmptyParts);
}

PlatformNameMatcher::PlatformNameMatcher(const QStringList &parts)
{
    m_parts.reserve(parts.size());
    for (const QString &part : parts)
        m_parts.append(asciiLowered(part));
    m_parts.removeDuplicates();
}

bool PlatformNameMatcher::matches(const QString &platformName) const
{
    const QString name = asciiLowered(platformName);
    for (const QString &part : m_parts) {
        if (name.contains(part))
            return true;
    }
    return false;
}
