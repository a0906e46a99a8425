#ifndef DIAGNOSTICTOOLS_H
#define DIAGNOSTICTOOLS_H

#include <QString>
#include <QStringList>

// The diagnostics window's tools, kept in the profile's tools folder under their
// Windows names ("kovdebug.exe", "zip.exe"). Elsewhere a tool may be deployed
// there without ".exe"; the archiver falls back to the system's zip.

// Empty when the capture tool is not in the tools folder.
QString captureToolProgram(const QString &toolsPath);

struct ArchiverCommand
{
    QString program;        // empty when no archiver exists
    QStringList arguments;
};

// The archiver run with `arguments` in `workingDirectory`. Windows programs expand
// their own wildcards; elsewhere a wildcard argument is expanded here against the
// files of the working directory, as "./" + name (a pattern matching none is passed
// as it stands).
ArchiverCommand archiverCommand(const QString &toolsPath, const QStringList &arguments,
                                const QString &workingDirectory);

#endif // DIAGNOSTICTOOLS_H
