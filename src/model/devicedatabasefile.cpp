#include "devicedatabasefile.h"

#include "devicedatabaserowreader.h"
#include "devicedatabaserows.h"
#include "devicedatabaseschema.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const char *const fileName = "./axdevices.db";

QString errorText(const QSqlQuery &query)
{
    return query.lastError().text();
}

} // namespace

DeviceDatabaseFile::DeviceDatabaseFile()
    : m_connection(QString::fromLatin1(fileName))
{
}

bool DeviceDatabaseFile::ensureOpen()
{
    if (m_connection.isOpen())
        return true;
    qDebug() << "Connection ID: " << m_connection.name();
    if (!m_connection.open()) {
        reportProblem(QStringLiteral("DB not opened: ") + m_connection.lastErrorText());
        return fail(m_connection.lastErrorText());
    }
    qDebug() << "DB opened";
    if (!setUp()) {
        m_connection.close();
        return false;
    }
    m_reportedProblem.clear();
    return true;
}

QString DeviceDatabaseFile::lastError() const
{
    return m_lastError;
}

DeviceDatabaseFile::UpdateResult DeviceDatabaseFile::update(const ArdentixDevice &device)
{
    if (!ensureOpen())
        return UpdateFailed;
    QSqlQuery query(m_connection.database());
    query.prepare(DeviceDatabaseSchema::updateByMac(device, DeviceDatabaseSchema::FileLayout));
    DeviceDatabaseRows::bindUpdateByMac(query, device, DeviceDatabaseSchema::FileLayout);
    if (!query.exec()) {
        fail(errorText(query));
        return UpdateFailed;
    }
    return query.numRowsAffected() == 0 ? NotStored : Updated;
}

bool DeviceDatabaseFile::insert(const ArdentixDevice &device)
{
    return ensureOpen() && execInsert(device);
}

bool DeviceDatabaseFile::removeByMac(const QString &mac, int *removed)
{
    return remove(QStringLiteral("mac_address"), mac, removed);
}

bool DeviceDatabaseFile::removeByIp(const QString &ip, int *removed)
{
    return remove(QStringLiteral("ip_address"), ip, removed);
}

bool DeviceDatabaseFile::replace(const QString &oldMac, const ArdentixDevice &device)
{
    if (!ensureOpen())
        return false;
    QSqlDatabase database = m_connection.database();
    if (!database.transaction())
        return fail(database.lastError().text());
    int removed = 0;
    if (remove(QStringLiteral("mac_address"), oldMac, &removed) && execInsert(device)) {
        if (database.commit())
            return true;
        fail(database.lastError().text());
    }
    database.rollback();
    return false;
}

bool DeviceDatabaseFile::readAll(QList<ArdentixDevice> *devices)
{
    if (!ensureOpen())
        return false;
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    if (!query.exec(DeviceDatabaseSchema::selectAll()))
        return fail(errorText(query));
    const DeviceDatabaseRowReader reader(query.record());
    while (query.next())
        devices->append(reader.fileDevice(query));
    // A read that stops early (the file went bad meanwhile) must not pass for the whole file.
    if (query.lastError().isValid())
        return fail(errorText(query));
    return true;
}

bool DeviceDatabaseFile::setUp()
{
    QSqlQuery query(m_connection.database());
    if (!query.exec(QStringLiteral("PRAGMA table_info(") + DeviceDatabaseSchema::tableName
                    + QLatin1Char(')'))) {
        reportProblem(QStringLiteral("Device file not usable: ") + errorText(query));
        return fail(errorText(query));
    }
    QStringList presentColumns;
    while (query.next())
        presentColumns.append(query.value(1).toString());

    if (presentColumns.isEmpty()) {
        QSqlQuery create(m_connection.database());
        if (!create.exec(DeviceDatabaseSchema::createTable(DeviceDatabaseSchema::FileLayout))) {
            reportProblem(QStringLiteral("Device table not created: ") + errorText(create));
            return fail(errorText(create));
        }
        return true;
    }
    if (!presentColumns.contains(QStringLiteral("mac_address"))) {
        const QString error = QStringLiteral("the table has no column mac_address");
        reportProblem(QStringLiteral("Device file not usable: ") + error);
        return fail(error);
    }
    addMissingColumns(presentColumns);
    return true;
}

bool DeviceDatabaseFile::addMissingColumns(const QStringList &presentColumns)
{
    const QStringList wanted = DeviceDatabaseSchema::columnNames(DeviceDatabaseSchema::FileLayout);
    for (const QString &column : wanted) {
        if (presentColumns.contains(column))
            continue;
        QSqlQuery alter(m_connection.database());
        const QString sql = QStringLiteral("ALTER TABLE ") + DeviceDatabaseSchema::tableName
            + QStringLiteral(" ADD COLUMN ") + column
            + DeviceDatabaseSchema::typeOf(DeviceDatabaseSchema::FileLayout, column);
        if (!alter.exec(sql)) {
            // Reads still work; each write that needs the column will fail and be reported.
            reportProblem(QStringLiteral("Device file lacks column ") + column + QStringLiteral(": ")
                          + errorText(alter));
            return fail(errorText(alter));
        }
        qDebug() << "Device file: added column" << column;
    }
    return true;
}

bool DeviceDatabaseFile::fail(const QString &error)
{
    m_lastError = error;
    return false;
}

void DeviceDatabaseFile::reportProblem(const QString &problem)
{
    if (problem == m_reportedProblem)
        return;
    m_reportedProblem = problem;
    qCritical().noquote() << problem;
}

bool DeviceDatabaseFile::remove(const QString &keyColumn, const QString &key, int *removed)
{
    *removed = 0;
    if (!ensureOpen())
        return false;
    QSqlQuery query(m_connection.database());
    query.prepare(DeviceDatabaseSchema::deleteWhere(keyColumn));
    query.bindValue(DeviceDatabaseSchema::bindName(keyColumn), key);
    if (!query.exec())
        return fail(errorText(query));
    *removed = query.numRowsAffected();
    return true;
}

bool DeviceDatabaseFile::execInsert(const ArdentixDevice &device)
{
    QSqlQuery query(m_connection.database());
    query.prepare(DeviceDatabaseSchema::fileInsert());
    DeviceDatabaseRows::bindFileInsert(query, device);
    if (!query.exec())
        return fail(errorText(query));
    return true;
}
