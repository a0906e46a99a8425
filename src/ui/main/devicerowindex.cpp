#include "devicerowindex.h"

void DeviceRowIndex::insert(const QString &key, const QModelIndex &index, const ArdentixDevice &shown)
{
    rows.insert(key.toCaseFolded(), Entry{QPersistentModelIndex(index), shown});
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
    if (found == rows.constEnd() || !found->index.isValid())
        return -1;
    return found->index.row();
}

DeviceRowIndex::Entry *DeviceRowIndex::find(const QString &key)
{
    if (key.isEmpty())
        return nullptr;
    const auto found = rows.find(key.toCaseFolded());
    if (found == rows.end() || !found->index.isValid())
        return nullptr;
    return &*found;
}

bool DeviceRowIndex::sameAddress(const QHostAddress &a, const QHostAddress &b)
{
    return a.isEqual(b, QHostAddress::StrictConversion) && a.scopeId() == b.scopeId();
}

// What the cells and the row's item data hold; the widgets are refreshed either way.
bool DeviceRowIndex::sameCells(const ArdentixDevice &a, const ArdentixDevice &b)
{
    return sameAddress(a.ipAddress, b.ipAddress) && a.duplicateIpAddress == b.duplicateIpAddress
        && a.deviceStatus == b.deviceStatus && a.discoveryState == b.discoveryState
        && a.configTitle == b.configTitle && a.macAddress == b.macAddress
        && a.displayMacAddress == b.displayMacAddress && a.devicePlatform == b.devicePlatform
        && a.rebootTime == b.rebootTime && a.firmwareVersion == b.firmwareVersion
        && a.buildRevision == b.buildRevision && a.buildDate == b.buildDate
        && a.hotStandbyState == b.hotStandbyState;
}
