#ifndef DEVICEFILESTORE_H
#define DEVICEFILESTORE_H

#include <QByteArray>
#include <QMap>
#include <QString>

#include <functional>

// The file system of one emulated gateway: what the PC sends is kept here and
// what the PC asks for is served from here, over VEK and over HTTP alike.
class DeviceFileStore
{
public:
    static constexpr qint64 DefaultDiskFree = 16 * 1024 * 1024;
    // Sees every file before it is stored; false refuses it.
    using WriteGuard = std::function<bool(const QString &name, const QByteArray &contents)>;

    bool contains(const QString &name) const;
    QByteArray file(const QString &name) const;
    // Size of a stored file, -1 when there is none.
    qint64 fileSize(const QString &name) const;
    // False when the file would not fit in the free space (a file it replaces counts as free).
    bool store(const QString &name, const QByteArray &contents);
    void setWriteGuard(WriteGuard guard);

    qint64 diskFree() const;
    void setDiskCapacity(qint64 bytes);

    // Every regular file of the folder, by its name; false when the folder can't be read.
    bool loadFolder(const QString &path, QString *error);

private:
    QMap<QString, QByteArray> m_files;
    qint64 m_capacity = DefaultDiskFree;
    WriteGuard m_guard;
};

#endif // DEVICEFILESTORE_H
