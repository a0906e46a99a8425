#include "transfertool.h"

#include <QFileInfo>
#include <QStandardPaths>

QString transferToolProgram(const QString &windowsPath)
{
#ifdef Q_OS_WIN
    const QFileInfo deployed(windowsPath);
    return deployed.exists() ? deployed.absoluteFilePath() : QString();
#else
    QString path = windowsPath;
    if (path.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        path.chop(4);
    const QFileInfo deployed(path);
    if (deployed.isFile() && deployed.isExecutable())
        return deployed.absoluteFilePath();
    if (deployed.fileName() == QLatin1String("curl"))
        return QStandardPaths::findExecutable(QStringLiteral("curl"));
    return QString();
#endif
}
