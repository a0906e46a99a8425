#ifndef DIAGNOSTICFOLDER_H
#define DIAGNOSTICFOLDER_H

#include <QDateTime>
#include <QString>
#include <QStringList>

// The folder that holds one diagnostics run: its captures, the device's files
// and at the end their archive.
class DiagnosticFolder
{
public:
    // base + "/Diagnostic_" + the start time to the minute; a missing base
    // puts the folder at the root of the current drive.
    static QString pathFor(const QString &workingPath, const QDateTime &start);

    // Makes the folder of a new run. A folder of that name left by an earlier run
    // is never reused (its archive would take this run's files): "_2", "_3", ...
    // is appended instead. The path made, or empty with `attempted` set to the path that failed.
    static QString create(const QString &workingPath, const QDateTime &start, QString *attempted);

    // Renames each of `names` within `folder`, every `from` (any letter case)
    // replaced by `to`; a name already taken keeps the file as it is.
    static void replaceInFileNames(const QString &folder, const QStringList &names,
                                   const QString &from, const QString &to);
};

#endif // DIAGNOSTICFOLDER_H
