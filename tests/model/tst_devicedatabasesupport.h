#ifndef TST_DEVICEDATABASESUPPORT_H
#define TST_DEVICEDATABASESUPPORT_H

// Shared by the device store tests: a clock the test sets, device records, a direct
// look into the store's SQLite tables, and a record of the messages logged.

#include "model/devicedatabase.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

// 2023-11-14, far from the epoch so that every cut-off is a real time.
const qint64 testEpochMs = 1700000000000;

struct TestClock {
    qint64 ms = testEpochMs;
    DeviceDatabase::Clock function()
    {
        return [this] { return ms; };
    }
};

inline ArdentixDevice testDevice(const QString &mac, const QString &ip, quint64 vekTime = 0)
{
    ArdentixDevice device;
    device.setMacString(mac);
    device.setIpAddress(ip);
    device.configTitle = QStringLiteral("Line ") + mac.right(2);
    device.devicePlatform = QStringLiteral("AXT 300");
    device.vekConnectivity = true;
    device.lastVekCommTime = vekTime;
    return device;
}

// The device as the main window hands over an address the user typed.
inline ArdentixDevice testPlaceholder(const QString &ip)
{
    ArdentixDevice device;
    device.setIpAddress(ip);
    device.setMacString(DeviceDatabase::placeholderKey(device.ipAddress));
    device.configTitle = QStringLiteral("Title Pending (User Device)");
    device.userDevice = true;
    device.favorite = true;
    device.discoveryState = DISCOVERY_OFFLINE;
    return device;
}

// The store's in-memory database, reached by its connection (each store has its own).
inline QSqlDatabase liveDatabaseOf(int index = 0)
{
    int found = 0;
    for (const QString &name : QSqlDatabase::connectionNames()) {
        QSqlDatabase database = QSqlDatabase::database(name, false);
        if (database.databaseName() == QLatin1String(":memory:") && found++ == index)
            return database;
    }
    return QSqlDatabase();
}

inline QVariant columnOf(const QSqlDatabase &database, const QString &mac, const QString &column)
{
    QSqlQuery query(database);
    query.prepare(QStringLiteral("SELECT ") + column
                  + QStringLiteral(" FROM devices WHERE mac_address = :mac"));
    query.bindValue(QStringLiteral(":mac"), mac);
    if (!query.exec() || !query.next())
        return QVariant();
    return query.value(0);
}

// A connection of the test's own to the device file, closed and dropped with the object.
class DeviceFileProbe
{
public:
    DeviceFileProbe()
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        database.setDatabaseName(QStringLiteral("axdevices.db"));
        database.open();
    }
    ~DeviceFileProbe()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }
    bool exec(const QString &sql) const { return QSqlQuery(database()).exec(sql); }
    QStringList macs() const
    {
        QStringList macs;
        QSqlQuery query(QStringLiteral("SELECT mac_address FROM devices"), database());
        while (query.next())
            macs.append(query.value(0).toString());
        return macs;
    }

private:
    const QString m_name = QStringLiteral("device-file-probe");
};

// Collects the messages logged while it lives, so a test can count them.
class LoggedMessages
{
public:
    LoggedMessages() { s_current = this; m_previous = qInstallMessageHandler(&LoggedMessages::handle); }
    ~LoggedMessages() { qInstallMessageHandler(m_previous); s_current = nullptr; }
    int count(QtMsgType type, const QString &part) const
    {
        int count = 0;
        for (const auto &message : m_messages)
            count += message.first == type && message.second.contains(part) ? 1 : 0;
        return count;
    }
    QStringList all(QtMsgType type) const
    {
        QStringList texts;
        for (const auto &message : m_messages) {
            if (message.first == type)
                texts.append(message.second);
        }
        return texts;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        s_current->m_messages.append({type, text});
    }
    static inline LoggedMessages *s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    QList<QPair<QtMsgType, QString>> m_messages;
};

#endif // TST_DEVICEDATABASESUPPORT_H
