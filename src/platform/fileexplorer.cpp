#include "fileexplorer.h"

#include <QDir>
#include <QProcess>

bool openInFileExplorer(const QString &folder)
{
#ifdef Q_OS_WIN
    const QString program = QStringLiteral("explorer");
#else
    const QString program = QStringLiteral("xdg-open");
#endif
    return QProcess::startDetached(program, {QDir::toNativeSeparators(folder)});
}
