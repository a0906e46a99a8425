#ifndef DEVICEDATABASEROWREADER_H
#define DEVICEDATABASEROWREADER_H

#include "ardentixdevice.h"
#include "devicedatabaselifecycle.h"

#include <QVector>

class QSqlQuery;
class QSqlRecord;
class QVariant;

// Turns the rows of one result of "devices" back into records. The column
// positions are looked up once per result, not once per row and column.
class DeviceDatabaseRowReader
{
public:
    explicit DeviceDatabaseRowReader(const QSqlRecord &columns);

    // A row of the live table; credentials only when a password is required.
    ArdentixDevice liveDevice(const QSqlQuery &row) const;
    // A row of the device file, which may come from an earlier version: a missing
    // column, or a NULL number, keeps the record's default.
    ArdentixDevice fileDevice(const QSqlQuery &row) const;
    DeviceDatabaseLifeCycle::Row lifeCycleRow(const QSqlQuery &row) const;

private:
    enum Column {
        MacAddress, IpAddress, ConfigTitle, FirmwareVersion, RebootTime, BuildDate,
        DevicePlatform, BuildRevision, HotStandbyState, Favorite, IpConnectivity,
        VekConnectivity, LastVekCommTime, UserDevice, LocalAdapterMac, DeviceStatus,
        DiscoveryTime, DiscoveryState, LastIpCommTime, NicCount, JsonSupport, AxguiSupport,
        VekAdvancedNetworkSupport, DuplicateIpAddress, FirmwareFileName, PlatformCode,
        PasswordRequired, Username, Password, LocalAdapterMacDisplay, SecureGwSupport,
        DiagSupport, SecurityStatus, ColumnCount
    };

    bool read(const QSqlQuery &row, Column column, bool skipNull, QVariant *value) const;
    DISCOVERY_STATE discoveryStateOf(const QSqlQuery &row, const QVariant &value) const;
    int inRange(const QSqlQuery &row, qlonglong value, int highest, int fallback, const char *column) const;
    void readCommonColumns(const QSqlQuery &row, bool skipNull, ArdentixDevice *device) const;

    QVector<int> m_indexes;
};

#endif // DEVICEDATABASEROWREADER_H
