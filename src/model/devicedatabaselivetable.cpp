#include "devicedatabaselivetable.h"

#include "devicedatabaserows.h"
#include "devicedatabaseschema.h"
#include "platformfilter.h"

#include <QDebug>
#include <QSqlQuery>
#include <QSqlRecord>

DeviceDatabaseLiveTable::DeviceDatabaseLiveTable()
    : m_connection(QStringLiteral(":memory:"))
{
}

bool DeviceDatabaseLiveTable::isOpen() const
{
    return m_connection.isOpen();
}

bool DeviceDatabaseLiveTable::ensureOpen()
{
    if (m_connection.isOpen())
        return true;
    if (!m_connection.open()) {
        m_lastError = m_connection.database().lastError();
        reportProblem(QStringLiteral("DB not opened: ") + m_lastError.text());
        return false;
    }
    m_reportedProblem.clear();
    m_rowReader.reset();
    m_lifeCycleReader.reset();
    qDebug() << "DB opened";

    // Qt reads every text as UTF-16; stored that way, no value is converted on reading.
    QSqlQuery create(m_connection.database());
    create.exec(QStringLiteral("PRAGMA encoding = 'UTF-16'"));
    if (create.exec(DeviceDatabaseSchema::createTable(DeviceDatabaseSchema::LiveLayout)))
        qDebug() << "Table created";
    else
        qCritical() << "Live device table not created:" << create.lastError().text();
    // Every arrival looks its address up; without an index that reads the whole list.
    create.exec(QStringLiteral("CREATE INDEX devices_ip_address ON devices ( ip_address )"));

    // Nothing else shares this database: no locking between connections, no syncing to disk.
    QSqlQuery pragmas(m_connection.database());
    pragmas.exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
    pragmas.exec(QStringLiteral("PRAGMA synchronous = OFF"));
    return true;
}

QSqlError DeviceDatabaseLiveTable::lastError() const
{
    return m_lastError;
}

bool DeviceDatabaseLiveTable::insert(const ArdentixDevice &device)
{
    QSqlQuery &query = m_connection.prepared(DeviceDatabaseSchema::liveInsert());
    DeviceDatabaseRows::bindLiveInsert(query, device);
    return execute(query);
}

bool DeviceDatabaseLiveTable::updateByMac(const ArdentixDevice &device, int *changed)
{
    *changed = 0;
    QSqlQuery &query = m_connection.prepared(
        DeviceDatabaseSchema::updateByMac(device, DeviceDatabaseSchema::LiveLayout));
    DeviceDatabaseRows::bindUpdateByMac(query, device, DeviceDatabaseSchema::LiveLayout);
    if (!execute(query))
        return false;
    *changed = query.numRowsAffected();
    return true;
}

bool DeviceDatabaseLiveTable::update(const QList<ColumnValue> &values, const ColumnValue &key,
                                     int *changed)
{
    *changed = 0;
    QStringList columns;
    columns.reserve(values.size() + 1);
    for (const ColumnValue &value : values)
        columns.append(value.column);
    columns.append(key.column);
    QString &sql = m_updateStatements[columns];
    if (sql.isEmpty())
        sql = DeviceDatabaseSchema::update(columns.first(values.size()), key.column);
    QSqlQuery &query = m_connection.prepared(sql);
    for (const ColumnValue &value : values)
        query.bindValue(DeviceDatabaseSchema::bindName(value.column), value.value);
    query.bindValue(DeviceDatabaseSchema::bindName(key.column), key.value);
    if (!execute(query))
        return false;
    *changed = query.numRowsAffected();
    return true;
}

bool DeviceDatabaseLiveTable::remove(const ColumnValue &key, int *removed)
{
    *removed = 0;
    QSqlQuery &query = m_connection.prepared(DeviceDatabaseSchema::deleteWhere(key.column));
    query.bindValue(DeviceDatabaseSchema::bindName(key.column), key.value);
    if (!execute(query))
        return false;
    *removed = query.numRowsAffected();
    return true;
}

bool DeviceDatabaseLiveTable::readByMac(const QString &mac, ArdentixDevice *device, bool *found)
{
    *found = false;
    QSqlQuery &query = m_connection.prepared(
        DeviceDatabaseSchema::selectWhere(QStringLiteral("mac_address")));
    query.bindValue(QStringLiteral(":mac_address"), mac);
    if (!execute(query))
        return false;
    if (query.next()) {
        *device = rowReader(&m_rowReader, query).liveDevice(query);
        *found = true;
    }
    query.finish();
    return true;
}

bool DeviceDatabaseLiveTable::readByIp(const QString &ip, QList<ArdentixDevice> *devices)
{
    QSqlQuery &query = m_connection.prepared(
        DeviceDatabaseSchema::selectWhere(QStringLiteral("ip_address")));
    query.bindValue(QStringLiteral(":ip_address"), ip);
    return visitRows(query, [devices](const ArdentixDevice &device) { devices->append(device); });
}

bool DeviceDatabaseLiveTable::readMacsByIp(const QString &ip, QStringList *macs)
{
    static const QString select = QStringLiteral("SELECT mac_address from ") + QLatin1String(DeviceDatabaseSchema::tableName)
        + QStringLiteral(" WHERE ip_address = :ip_address");
    QSqlQuery &query = m_connection.prepared(select);
    query.bindValue(QStringLiteral(":ip_address"), ip);
    if (!execute(query))
        return false;
    while (query.next())
        macs->append(query.value(0).toString());
    return finishRows(query);
}

bool DeviceDatabaseLiveTable::forEachDevice(const DeviceVisitor &visit)
{
    return visitRows(m_connection.prepared(DeviceDatabaseSchema::selectAll()), visit);
}

bool DeviceDatabaseLiveTable::forEachAgeingCandidate(qint64 heardAfter,
                                                     const LifeCycleVisitor &visit)
{
    QSqlQuery &query = m_connection.prepared(DeviceDatabaseSchema::selectAgeingCandidates());
    query.bindValue(QStringLiteral(":discovery_state"), QString::number(DISCOVERY_ONLINE));
    query.bindValue(QStringLiteral(":heard_after"), heardAfter);
    return visitRows(query, &m_lifeCycleReader, &DeviceDatabaseRowReader::lifeCycleRow, visit);
}

bool DeviceDatabaseLiveTable::forEachUserDevice(const DeviceVisitor &visit)
{
    QSqlQuery &query = m_connection.prepared(
        DeviceDatabaseSchema::selectWhere(QStringLiteral("user_device")));
    query.bindValue(QStringLiteral(":user_device"), true);
    return visitRows(query, visit);
}

bool DeviceDatabaseLiveTable::forEachListedDevice(const QStringList &platformFilter,
                                                  const DeviceVisitor &visit)
{
    QString sql = DeviceDatabaseSchema::selectAll()
        + QStringLiteral(" WHERE discovery_state != :discovery_state");
    // As with LIKE, a row without a platform name is left out by any part, even an empty one.
    if (!platformFilter.isEmpty())
        sql += QStringLiteral(" AND device_platform IS NOT NULL");
    QSqlQuery &query = m_connection.prepared(sql);
    // The column holds the state as text; a text value spares converting every row's.
    query.bindValue(QStringLiteral(":discovery_state"), QString::number(DISCOVERY_OFFLINE));
    if (platformFilter.isEmpty())
        return visitRows(query, visit);
    const PlatformNameMatcher matcher(platformFilter);
    return visitRows(query, [&](const ArdentixDevice &device) {
        if (matcher.matches(device.devicePlatform))
            visit(device);
    });
}

bool DeviceDatabaseLiveTable::execute(QSqlQuery &query)
{
    if (query.exec())
        return true;
    m_lastError = query.lastError();
    return false;
}

bool DeviceDatabaseLiveTable::visitRows(QSqlQuery &query, const DeviceVisitor &visit)
{
    return visitRows(query, &m_rowReader, &DeviceDatabaseRowReader::liveDevice, visit);
}

template<typename Row>
bool DeviceDatabaseLiveTable::visitRows(QSqlQuery &query, std::unique_ptr<DeviceDatabaseRowReader> *reader,
                                        Row (DeviceDatabaseRowReader::*read)(const QSqlQuery &) const,
                                        const std::function<void(const Row &)> &visit)
{
    if (!execute(query))
        return false;
    const DeviceDatabaseRowReader &columns = rowReader(reader, query);
    while (query.next())
        visit((columns.*read)(query));
    return finishRows(query);
}

bool DeviceDatabaseLiveTable::finishRows(QSqlQuery &query)
{
    const QSqlError stepError = query.lastError();
    query.finish();
    if (stepError.isValid()) {
        m_lastError = stepError;
        return false;
    }
    return true;
}

const DeviceDatabaseRowReader &DeviceDatabaseLiveTable::rowReader(
    std::unique_ptr<DeviceDatabaseRowReader> *reader, const QSqlQuery &query)
{
    if (!*reader)
        *reader = std::make_unique<DeviceDatabaseRowReader>(query.record());
    return **reader;
}

void DeviceDatabaseLiveTable::reportProblem(const QString &problem)
{
    if (problem == m_reportedProblem)
        return;
    m_reportedProblem = problem;
    qCritical().noquote() << problem;
}
