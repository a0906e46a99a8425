#include "workingdirectory.h"

#include <QDebug>
#include <QDir>

bool ensureWorkingDirectory(const QString &path)
{
    if (QDir(path).exists() || QDir().mkpath(path))
        return true;
    qWarning() << "Unable to create the default working directory:" << QDir::toNativeSeparators(path);
    return false;
}
