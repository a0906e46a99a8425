#include "diagnostictools.h"

#include "transfertool.h"

#include <QDir>
#include <QStandardPaths>

QString captureToolProgram(const QString &toolsPath)
{
    return transferToolProgram(toolsPath + QStringLiteral("/kovdebug.exe"));
}

#ifdef Q_OS_WIN

ArchiverCommand archiverCommand(const QString &toolsPath, const QStringList &arguments,
                                const QString &)
{
    return {transferToolProgram(toolsPath + QStringLiteral("/zip.exe")), arguments};
}

#else

namespace {

bool isWildcard(const QString &argument)
{
    return argument.contains(QLatin1Char('*')) || argument.contains(QLatin1Char('?'));
}

} // namespace

ArchiverCommand archiverCommand(const QString &toolsPath, const QStringList &arguments,
                                const QString &workingDirectory)
{
    ArchiverCommand command;
    command.program = transferToolProgram(toolsPath + QStringLiteral("/zip.exe"));
    if (command.program.isEmpty())
        command.program = QStandardPaths::findExecutable(QStringLiteral("zip"));

    const QDir directory(workingDirectory);
    for (const QString &argument : arguments) {
        const QStringList matches = isWildcard(argument)
            ? directory.entryList({argument}, QDir::Files | QDir::Hidden, QDir::Name)
            : QStringList();
        if (matches.isEmpty())
            command.arguments << argument;
        // "./" keeps a name such as "-r" from reading as an option; zip stores it without.
        for (const QString &match : matches)
            command.arguments << QStringLiteral("./") + match;
    }
    return command;
}

#endif
