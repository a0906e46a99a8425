#include "devicedatabaserowreader.h"

#include "devicedatabaseschema.h"

#include <QDebug>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {

// SQLite hands integers over as qlonglong; reading that directly spares the general
// conversion, which costs more than the rest of reading the value.
qlonglong integerOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::LongLong)
        return *static_cast<const qlonglong *>(value.constData());
    return value.toLongLong();
}

bool boolOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::LongLong)
        return *static_cast<const qlonglong *>(value.constData()) != 0;
    return value.toBool();
}

quint64 unsignedOf(const QVariant &value)
{
    return quint64(integerOf(value));
}

// discovery_state is a text column: its number comes back as text, mostly one digit.
// Anything else than a number reads as -1, which no state has.
qlonglong stateNumberOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        const QString &text = *static_cast<const QString *>(value.constData());
        if (text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9'))
            return text.at(0).unicode() - '0';
    }
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    return ok || value.isNull() ? number : -1;
}

} // namespace

DeviceDatabaseRowReader::DeviceDatabaseRowReader(const QSqlRecord &columns)
{
    // Column follows the live table's order, so its names give the positions.
    const QStringList names = DeviceDatabaseSchema::columnNames(DeviceDatabaseSchema::LiveLayout);
    Q_ASSERT(names.size() == ColumnCount);
    m_indexes.reserve(ColumnCount);
    for (const QString &name : names)
        m_indexes.append(columns.indexOf(name));
}

ArdentixDevice DeviceDatabaseRowReader::liveDevice(const QSqlQuery &row) const
{
    ArdentixDevice device;
    readCommonColumns(row, false, &device);
    QVariant value;
    if (read(row, DiagSupport, false, &value))
        device.diagSupport = boolOf(value);
    if (read(row, SecurityStatus, false, &value))
        device.securityStatus = SECURITY_STATUS(inRange(row, integerOf(value), SECURITY_FULL, SECURITY_DISABLED,
                                                        "security_status"));
    if (read(row, LocalAdapterMacDisplay, false, &value))
        device.setDisplayMacString(value.toString());

    if (!read(row, PasswordRequired, false, &value))
        return device;
    device.setPasswordRequired(boolOf(value));
    if (!device.passwordRequired)
        return device;
    QVariant username;
    QVariant password;
    read(row, Username, false, &username);
    read(row, Password, false, &password);
    device.setCredentials(username.toString(), password.toString());
    return device;
}

ArdentixDevice DeviceDatabaseRowReader::fileDevice(const QSqlQuery &row) const
{
    // The file never restores diagnostics, security status, credentials or the shown MAC.
    ArdentixDevice device;
    readCommonColumns(row, true, &device);
    return device;
}

DeviceDatabaseLifeCycle::Row DeviceDatabaseRowReader::lifeCycleRow(const QSqlQuery &row) const
{
    DeviceDatabaseLifeCycle::Row facts{QString(), DISCOVERY_NEW, 0, 0, 0, false, false, false};
    QVariant value;
    if (read(row, MacAddress, false, &value))
        facts.macAddress = value.toString();
    if (read(row, DiscoveryState, false, &value))
        facts.discoveryState = discoveryStateOf(row, value);
    if (read(row, DiscoveryTime, false, &value))
        facts.discoveryTime = unsignedOf(value);
    if (read(row, LastVekCommTime, false, &value))
        facts.lastVekCommTime = unsignedOf(value);
    if (read(row, LastIpCommTime, false, &value))
        facts.lastIpCommTime = unsignedOf(value);
    if (read(row, Favorite, false, &value))
        facts.favorite = boolOf(value);
    if (read(row, IpConnectivity, false, &value))
        facts.ipConnectivity = boolOf(value);
    if (read(row, DuplicateIpAddress, false, &value))
        facts.duplicateIpAddress = boolOf(value);
    return facts;
}

// An unknown state is offline: the row is kept and shown, and the device's
// next answer brings it back as any offline device.
DISCOVERY_STATE DeviceDatabaseRowReader::discoveryStateOf(const QSqlQuery &row, const QVariant &value) const
{
    return DISCOVERY_STATE(inRange(row, stateNumberOf(value), DISCOVERY_OFFLINE, DISCOVERY_OFFLINE,
                                   "discovery_state"));
}

// A damaged device file can hold any number where an enumeration is stored:
// such a value reads as the given defined one, with a warning.
int DeviceDatabaseRowReader::inRange(const QSqlQuery &row, qlonglong value, int highest, int fallback,
                                     const char *column) const
{
    if (value >= 0 && value <= highest)
        return int(value);
    QVariant mac;
    read(row, MacAddress, false, &mac);
    qWarning() << "Device" << mac.toString() << "has" << column << value << "out of range, read as" << fallback;
    return fallback;
}

bool DeviceDatabaseRowReader::read(const QSqlQuery &row, Column column, bool skipNull,
                                   QVariant *value) const
{
    const int index = m_indexes.at(column);
    if (index < 0)
        return false;
    *value = row.value(index);
    return !(skipNull && value->isNull());
}

void DeviceDatabaseRowReader::readCommonColumns(const QSqlQuery &row, bool skipNull,
                                                ArdentixDevice *device) const
{
    QVariant value;
    if (read(row, MacAddress, false, &value))
        device->setMacString(value.toString());
    if (read(row, IpAddress, skipNull, &value))
        device->setIpAddress(value.toString());
    if (read(row, ConfigTitle, skipNull, &value))
        device->configTitle = value.toString();
    if (read(row, FirmwareVersion, skipNull, &value))
        device->firmwareVersion = value.toString();
    if (read(row, RebootTime, skipNull, &value))
        device->rebootTime = value.toString();
    if (read(row, BuildDate, skipNull, &value))
        device->buildDate = value.toString();
    if (read(row, DevicePlatform, skipNull, &value))
        device->devicePlatform = value.toString();
    if (read(row, BuildRevision, skipNull, &value))
        device->buildRevision = value.toString();
    if (read(row, HotStandbyState, skipNull, &value))
        device->hotStandbyState = value.toString();
    if (read(row, Favorite, skipNull, &value))
        device->favorite = boolOf(value);
    if (read(row, IpConnectivity, skipNull, &value))
        device->ipConnectivity = boolOf(value);
    if (read(row, VekConnectivity, skipNull, &value))
        device->vekConnectivity = boolOf(value);
    if (read(row, LastVekCommTime, skipNull, &value))
        device->lastVekCommTime = unsignedOf(value);
    if (read(row, UserDevice, skipNull, &value))
        device->userDevice = boolOf(value);
    if (read(row, LocalAdapterMac, skipNull, &value))
        device->localAdapterMac = value.toString();
    if (read(row, DeviceStatus, skipNull, &value))
        device->deviceStatus = quint32(unsignedOf(value));
    if (read(row, DiscoveryTime, skipNull, &value))
        device->discoveryTime = unsignedOf(value);
    if (read(row, DiscoveryState, skipNull, &value))
        device->discoveryState = discoveryStateOf(row, value);
    if (read(row, LastIpCommTime, skipNull, &value))
        device->lastIpCommTime = unsignedOf(value);
    if (read(row, NicCount, skipNull, &value))
        device->nicCount = int(integerOf(value));
    if (read(row, JsonSupport, skipNull, &value))
        device->jsonSupport = boolOf(value);
    if (read(row, AxguiSupport, skipNull, &value))
        device->axguiSupport = boolOf(value);
    if (read(row, SecureGwSupport, skipNull, &value))
        device->secureGwSupport = boolOf(value);
    if (read(row, VekAdvancedNetworkSupport, skipNull, &value)) {
        device->vekNetSupport = VEK_NET_SUPPORT(inRange(row, integerOf(value), VEK_NET_NOT_SUPPORTED, VEK_NET_UNKNOWN,
                                                        "vek_advanced_network_support"));
    }
    if (read(row, DuplicateIpAddress, skipNull, &value))
        device->duplicateIpAddress = boolOf(value);
    if (read(row, FirmwareFileName, skipNull, &value))
        device->firmwareFileName = value.toString();
    if (read(row, PlatformCode, skipNull, &value))
        device->platformCode = quint32(unsignedOf(value));
}
