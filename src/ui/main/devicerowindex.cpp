#include "devicerowindex.h"

void DeviceRowIndex::insert(const QString &key, const QModelIndex &index)
{
    rows.insert(key.toCaseFolded(), QPersistentModelIndex(index));
}

void DeviceRowIndex::remove(const QString &key)
{
    rows.remove(key.toCaseFolded());
}

int DeviceRowIndex::row(const QString &key) const
{
    if (key.isEmpty())
        return -1;
    const auto found = rows.constFind(key.toCaseFolded());
    if (found == rows.constEnd() || !found->isValid())
        return -1;
    return found->row();
}
