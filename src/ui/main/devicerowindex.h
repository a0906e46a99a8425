#ifndef DEVICEROWINDEX_H
#define DEVICEROWINDEX_H

#include <QHash>
#include <QPersistentModelIndex>
#include <QString>

// Finds the table row of a device by its key, the device's MAC text: the whole
// key, letters in any case. Entries follow their rows as other rows come and go.
class DeviceRowIndex
{
public:
    void insert(const QString &key, const QModelIndex &index);
    void remove(const QString &key);
    // The row, or -1.
    int row(const QString &key) const;

private:
    QHash<QString, QPersistentModelIndex> rows;
};

#endif // DEVICEROWINDEX_H
