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

#endif // PLATFORMFILTER_H
