#ifndef DEVICEDIRECTORYLISTING_H
#define DEVICEDIRECTORYLISTING_H

#include <QByteArray>
#include <QStringList>

// The device's own listing of its root folder ("dirlist.txt", a recursive
// long-format listing), read into the names the diagnostics fetch.
class DeviceDirectoryListing
{
public:
    explicit DeviceDirectoryListing(const QByteArray &listing);

    // Files, and entries whose shown name has a dot: for the full diagnostic.
    QStringList fullFileList() const;
    // Regular files holding ".csv" or "snapshot.log" (a name holding both twice).
    QStringList shortFileList() const;

private:
    void readEntry(const QString &permissions, const QString &name);
    static bool isStorableName(const QString &name);

    QStringList full;
    QStringList shortList;
};

#endif // DEVICEDIRECTORYLISTING_H
