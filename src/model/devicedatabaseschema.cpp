#include "devicedatabaseschema.h"

const char *const DeviceDatabaseSchema::tableName = "devices";

namespace {

// The type texts are kept blank for blank: SQLite takes each column's affinity from them.
const DeviceDatabaseSchema::Column liveColumns[] = {
    {"mac_address", " VARCHAR(40) primary key "},
    {"ip_address", " VARCHAR(20) "},
    {"config_title", " VARCHAR(41) "},
    {"firmware_version", " VARCHAR(41) "},
    {"reboot_time", " VARCHAR(41) "},
    {"build_date", " VARCHAR(41) "},
    {"device_platform", " VARCHAR (41) "},
    {"build_revision", " VARCHAR(41) "},
    {"hot_standby_state", " VARCHAR(41) "},
    {"favorite", " BOOLEAN "},
    {"ip_connectivity", " BOOLEAN "},
    {"vek_connectivity", " BOOLEAN "},
    {"last_vek_comm_time", " UNSIGNED BIG INT "},
    {"user_device", " BOOLEAN "},
    {"local_adapter_mac", " VARCHAR(20) "},
    {"device_status", " UNSIGNED BIG INT "},
    {"discovery_time", " UNSIGNED BIG INT "},
    {"discovery_state", " VARCHAR(20) "},
    {"last_ip_comm_time", " UNSIGNED BIG INT "},
    {"nic_count", " INT "},
    {"json_support", " BOOLEAN "},
    {"axgui_support", " BOOLEAN"},
    {"vek_advanced_network_support", " INT"},
    {"duplicate_ip_address", " BOOLEAN"},
    {"firmware_file_name", " VARCHAR(41)"},
    {"platform_code", " UNSIGNED BIG INT "},
    {"password_required", " BOOLEAN "},
    {"username", " VARCHAR(41) "},
    {"password", " VARCHAR(41) "},
    {"local_adapter_mac_display", " VARCHAR(20) "},
    {"secure_gw_support", " BOOLEAN"},
    {"diag_support", " BOOLEAN"},
    {"security_status", " INT"},
};

// The file keeps the first 25 live columns, then the ones later versions added.
const int fileLeadingColumns = 25;
const char *const fileTrailingColumns[] = {
    "secure_gw_support", "diag_support", "security_status", "platform_code"};

// The file INSERT names platform_code before the three columns that follow it in the file.
const char *const fileInsertTrailingColumns[] = {
    "platform_code", "secure_gw_support", "diag_support", "security_status"};

const char *const updateByMacColumns[] = {
    "ip_address", "config_title", "firmware_version", "reboot_time", "build_date",
    "device_platform", "build_revision", "hot_standby_state", "ip_connectivity",
    "vek_connectivity", "last_vek_comm_time", "local_adapter_mac", "device_status",
    "nic_count", "duplicate_ip_address", "firmware_file_name", "platform_code",
    "secure_gw_support", "last_ip_comm_time"};

DeviceDatabaseSchema::Column liveColumn(const char *name)
{
    for (const DeviceDatabaseSchema::Column &column : liveColumns) {
        if (qstrcmp(column.name, name) == 0)
            return column;
    }
    return {name, ""};
}

} // namespace

QList<DeviceDatabaseSchema::Column> DeviceDatabaseSchema::columns(Layout layout)
{
    QList<Column> result;
    if (layout == LiveLayout) {
        for (const Column &column : liveColumns)
            result.append(column);
        return result;
    }
    for (int i = 0; i < fileLeadingColumns; ++i)
        result.append(liveColumns[i]);
    for (const char *name : fileTrailingColumns)
        result.append(liveColumn(name));
    return result;
}

QStringList DeviceDatabaseSchema::columnNames(Layout layout)
{
    QStringList names;
    for (const Column &column : columns(layout))
        names.append(QString::fromLatin1(column.name));
    return names;
}

QString DeviceDatabaseSchema::typeOf(Layout layout, const QString &column)
{
    for (const Column &candidate : columns(layout)) {
        if (column == QLatin1String(candidate.name))
            return QString::fromLatin1(candidate.type);
    }
    return QString();
}

QString DeviceDatabaseSchema::createTable(Layout layout)
{
    QStringList declarations;
    for (const Column &column : columns(layout))
        declarations.append(QString::fromLatin1(column.name) + QString::fromLatin1(column.type));
    return QStringLiteral("CREATE TABLE ") + tableName + QStringLiteral(" ( ")
        + declarations.join(QStringLiteral(" , ")) + QStringLiteral(" ) ");
}

QString DeviceDatabaseSchema::liveInsert()
{
    static const QString statement = insert(columnNames(LiveLayout));
    return statement;
}

QString DeviceDatabaseSchema::fileInsert()
{
    QStringList names = columnNames(LiveLayout).mid(0, fileLeadingColumns);
    for (const char *name : fileInsertTrailingColumns)
        names.append(QString::fromLatin1(name));
    return insert(names);
}

QString DeviceDatabaseSchema::updateByMac(const ArdentixDevice &device, Layout layout)
{
    static const QString statements[2][2][2] = {
        {{updateByMacStatement(false, false, false), updateByMacStatement(false, false, true)},
         {updateByMacStatement(false, true, false), updateByMacStatement(false, true, true)}},
        {{updateByMacStatement(true, false, false), updateByMacStatement(true, false, true)},
         {updateByMacStatement(true, true, false), updateByMacStatement(true, true, true)}}};
    return statements[device.lastVekCommTime != 0][device.lastIpCommTime != 0]
                     [updatesDisplayMac(device, layout)];
}

// A device remembered in the file comes back without the MAC it reports of
// itself; its answers must be able to fill that in, or its row never shows one.
bool DeviceDatabaseSchema::updatesDisplayMac(const ArdentixDevice &device, Layout layout)
{
    return layout == LiveLayout && !device.displayMacAddress.isEmpty();
}

QString DeviceDatabaseSchema::updateByMacStatement(bool withVekTime, bool withIpTime, bool withDisplayMac)
{
    QStringList assigned;
    for (const char *name : updateByMacColumns) {
        const QString column = QString::fromLatin1(name);
        if ((column == QLatin1String("last_vek_comm_time") && !withVekTime)
            || (column == QLatin1String("last_ip_comm_time") && !withIpTime)) {
            continue;
        }
        assigned.append(column);
    }
    if (withDisplayMac)
        assigned.append(QStringLiteral("local_adapter_mac_display"));
    return update(assigned, QStringLiteral("mac_address"));
}

QString DeviceDatabaseSchema::update(const QStringList &assignedColumns, const QString &keyColumn)
{
    QStringList assignments;
    for (const QString &column : assignedColumns)
        assignments.append(column + QStringLiteral(" = ") + bindName(column));
    return QStringLiteral("UPDATE ") + tableName + QStringLiteral(" SET ")
        + assignments.join(QStringLiteral(" , ")) + QStringLiteral(" WHERE ") + keyColumn
        + QStringLiteral(" = ") + bindName(keyColumn);
}

QString DeviceDatabaseSchema::selectAll()
{
    return QStringLiteral("SELECT * from ") + tableName;
}

QString DeviceDatabaseSchema::selectAgeingCandidates()
{
    return QStringLiteral("SELECT mac_address , discovery_state , discovery_time , "
                          "last_vek_comm_time , last_ip_comm_time , favorite , ip_connectivity , "
                          "duplicate_ip_address from ")
        + tableName
        + QStringLiteral(" WHERE NOT ( discovery_state = :discovery_state AND "
                         "( last_vek_comm_time > :heard_after OR last_ip_comm_time > :heard_after ) "
                         "AND NOT ( ip_connectivity AND duplicate_ip_address ) )");
}

QString DeviceDatabaseSchema::selectWhere(const QString &column)
{
    return selectAll() + QStringLiteral(" WHERE ") + column + QStringLiteral(" = ")
        + bindName(column);
}

QString DeviceDatabaseSchema::deleteWhere(const QString &column)
{
    return QStringLiteral("DELETE from ") + tableName + QStringLiteral(" WHERE ") + column
        + QStringLiteral(" = ") + bindName(column);
}

QString DeviceDatabaseSchema::bindName(const QString &column)
{
    return QLatin1Char(':') + column;
}

QString DeviceDatabaseSchema::insert(const QStringList &columnNames)
{
    QStringList bindNames;
    for (const QString &column : columnNames)
        bindNames.append(bindName(column));
    return QStringLiteral("INSERT INTO ") + tableName + QStringLiteral(" ( ")
        + columnNames.join(QStringLiteral(" , ")) + QStringLiteral(" ) ")
        + QStringLiteral(" VALUES ( ") + bindNames.join(QStringLiteral(" , "))
        + QStringLiteral(" ) ");
}
