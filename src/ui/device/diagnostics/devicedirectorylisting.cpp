#include "devicedirectorylisting.h"

#include <QDebug>

DeviceDirectoryListing::DeviceDirectoryListing(const QByteArray &listing)
{
    const qsizetype end = listing.indexOf('\0');
    QString text = QString::fromLatin1(end < 0 ? listing : listing.left(end));
    text.remove(QLatin1Char('\r'));
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::KeepEmptyParts);
    for (const QString &line : lines) {
        const QStringList fields = line.split(QLatin1Char(' '), Qt::KeepEmptyParts);
        const QString name = fields.last().trimmed();
        if (name.contains(QLatin1String(".:")) || name.contains(QLatin1String("./:")))
            continue;                       // the header of the listed root
        if (name.startsWith(QLatin1String("./")))
            break;                          // the first subfolder: only the root is wanted
        if (name.contains(QLatin1Char('/')))
            continue;
        readEntry(fields.first().trimmed(), name);
    }
}

QStringList DeviceDirectoryListing::fullFileList() const
{
    return full;
}

QStringList DeviceDirectoryListing::shortFileList() const
{
    return shortList;
}

void DeviceDirectoryListing::readEntry(const QString &permissions, const QString &name)
{
    const bool regularFile = permissions.startsWith(QLatin1Char('-'));
    if (!regularFile && !name.contains(QLatin1Char('.')))
        return;
    // The name becomes a file of the run's folder: one that would land elsewhere is refused.
    if (!isStorableName(name)) {
        qDebug() << "Skipping listed name that is not a plain file name:" << name;
        return;
    }
    full << name;
    if (regularFile && name.contains(QLatin1String(".csv")))
        shortList << name;
    if (regularFile && name.contains(QLatin1String("snapshot.log")))
        shortList << name;
}

bool DeviceDirectoryListing::isStorableName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char(':'));
}
