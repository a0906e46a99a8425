#ifndef DEVICEROWINDEX_H
#define DEVICEROWINDEX_H

#include "model/ardentixdevice.h"

#include <QHash>
#include <QPersistentModelIndex>
#include <QString>

// Finds the table row of a device by its key, the device's MAC text: the whole
// key, letters in any case. Entries follow their rows as other rows come and go.
// Each entry keeps the device its row's cells were last written from.
class DeviceRowIndex
{
public:
    struct Entry
    {
        QPersistentModelIndex index;
        ArdentixDevice shown;
    };

    void insert(const QString &key, const QModelIndex &index, const ArdentixDevice &shown);
    void remove(const QString &key);
    // The row, or -1.
    int row(const QString &key) const;
    // The entry of a row still in the table, or null.
    Entry *find(const QString &key);

    // Whether the two read as the same address text.
    static bool sameAddress(const QHostAddress &a, const QHostAddress &b);
    // Whether cells written from one device read the same as cells written from the other.
    static bool sameCells(const ArdentixDevice &a, const ArdentixDevice &b);

private:
    QHash<QString, Entry> rows;
};

#endif // DEVICEROWINDEX_H
