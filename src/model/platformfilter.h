#ifndef PLATFORMFILTER_H
#define PLATFORMFILTER_H

#include <QString>
#include <QStringList>

// The platform-name parts of the key "platform_name_includes" in an INI file,
// split at ';' with empty parts kept. A missing key, file or unreadable file
// gives one empty part.
//
// The file is read line by line rather than through QSettings, which takes an
// unquoted ';' as the start of a comment and would keep only the first part.
QStringList readPlatformFilter(const QString &fileName);

// Whether a platform name contains one of the filter's parts, literally, the
// case of ASCII letters aside (as SQL's LIKE compares). Matching here rather
// than in the statement lets a filter of any length apply: SQLite limits how
// many terms one statement can hold.
class PlatformNameMatcher
{
public:
    explicit PlatformNameMatcher(const QStringList &parts);

    bool matches(const QString &platformName) const;

private:
    QStringList m_parts;   // ASCII letters in lower case
};

#endif // PLATFORMFILTER_H
