#include "devicefilestore.h"

#include <QDir>
#include <QFile>

bool DeviceFileStore::contains(const QString &name) const
{
    return m_files.contains(name);
}

QByteArray DeviceFileStore::file(const QString &name) const
{
    return m_files.value(name);
}

qint64 DeviceFileStore::fileSize(const QString &name) const
{
    return m_files.contains(name) ? m_files.value(name).size() : -1;
}

bool DeviceFileStore::store(const QString &name, const QByteArray &contents)
{
    const qint64 replaced = qMax<qint64>(fileSize(name), 0);
    if (contents.size() > diskFree() + replaced)
        return false;
    if (m_guard && !m_guard(name, contents))
        return false;
    m_files.insert(name, contents);
    return true;
}

void DeviceFileStore::setWriteGuard(WriteGuard guard)
{
    m_guard = std::move(guard);
}

qint64 DeviceFileStore::diskFree() const
{
    qint64 used = 0;
    for (const QByteArray &contents : m_files)
        used += contents.size();
    return qMax<qint64>(m_capacity - used, 0);
}

void DeviceFileStore::setDiskCapacity(qint64 bytes)
{
    m_capacity = bytes;
}

bool DeviceFileStore::loadFolder(const QString &path, QString *error)
{
    const QDir folder(path);
    if (!folder.exists()) {
        *error = QStringLiteral("no such folder: ") + path;
        return false;
    }
    for (const QString &name : folder.entryList(QDir::Files)) {
        QFile source(folder.filePath(name));
        if (!source.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("can't read ") + source.fileName();
            return false;
        }
        m_files.insert(name, source.readAll());
    }
    return true;
}
