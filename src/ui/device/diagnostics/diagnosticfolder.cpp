#include "diagnosticfolder.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const int kMaxFoldersPerMinute = 100;

} // namespace

QString DiagnosticFolder::pathFor(const QString &workingPath, const QDateTime &start)
{
    const QString base = QFileInfo(workingPath).isDir() ? workingPath : QString();
    return base + QStringLiteral("/Diagnostic_") + start.toString(QStringLiteral("yyyy-MM-dd_hh-mm"));
}

QString DiagnosticFolder::create(const QString &workingPath, const QDateTime &start, QString *attempted)
{
    const QString stamped = pathFor(workingPath, start);
    for (int number = 1; number <= kMaxFoldersPerMinute; ++number) {
        const QString path = number == 1 ? stamped : stamped + QLatin1Char('_') + QString::number(number);
        if (QFileInfo::exists(path))
            continue;
        if (QDir().mkpath(path))
            return path;
        *attempted = path;
        return QString();
    }
    *attempted = stamped;
    return QString();
}

void DiagnosticFolder::replaceInFileNames(const QString &folder, const QStringList &names,
                                          const QString &from, const QString &to)
{
    const QDir dir(folder);
    for (const QString &name : names) {
        QString renamed = name;
        renamed.replace(from, to, Qt::CaseInsensitive);
        if (!QFile::rename(dir.filePath(name), dir.filePath(renamed)))
            qDebug() << "Could not rename" << name << "to" << renamed;
    }
}
