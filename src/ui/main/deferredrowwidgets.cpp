#include "deferredrowwidgets.h"

bool DeferredRowWidgets::isEmpty() const
{
    return rows.isEmpty();
}

bool DeferredRowWidgets::contains(const QString &key) const
{
    return rows.contains(key.toCaseFolded());
}

DeferredRowWidgets::Row DeferredRowWidgets::Row::madeFor(const ArdentixDevice &device, Badge badge)
{
    Row row;
    row.device = device;
    row.badge = badge;
    row.favorite = device.favorite;
    row.removeButton = device.userDevice;
    return row;
}

void DeferredRowWidgets::defer(const QString &key, const Row &row)
{
    rows.insert(key.toCaseFolded(), row);
}

const DeferredRowWidgets::Row *DeferredRowWidgets::refresh(const QString &key, const ArdentixDevice &device, Badge badge)
{
    const auto found = rows.find(key.toCaseFolded());
    if (found == rows.end())
        return nullptr;
    Row &row = *found;
    row.device = device;
    row.badge = badge;
    row.favorite = row.favorite || device.favorite;
    row.removeButton = row.removeButton || device.userDevice;
    // A lost or offline device leaves the lock as it was.
    const bool gone = device.discoveryState == DISCOVERY_LOST || device.discoveryState == DISCOVERY_OFFLINE;
    if (device.secureGwSupport && !gone) {
        row.locked = true;
        row.lockDevice = device;
    }
    return &row;
}

DeferredRowWidgets::Row DeferredRowWidgets::take(const QString &key)
{
    return rows.take(key.toCaseFolded());
}

void DeferredRowWidgets::remove(const QString &key)
{
    rows.remove(key.toCaseFolded());
}
