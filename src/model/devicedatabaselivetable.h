#ifndef DEVICEDATABASELIVETABLE_H
#define DEVICEDATABASELIVETABLE_H

#include "ardentixdevice.h"
#include "devicedatabaseconnection.h"
#include "devicedatabaselifecycle.h"
#include "devicedatabaserowreader.h"

#include <QHash>
#include <QList>
#include <QSqlError>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

// The live list: the table "devices" in an in-memory SQLite database that belongs to
// one store alone. Every value reaches SQLite as a bound value, never as SQL text.
// Operations return false on an SQL error and leave its details in lastError().
class DeviceDatabaseLiveTable
{
public:
    struct ColumnValue {
        QString column;
        QVariant value;
    };
    using DeviceVisitor = std::function<void(const ArdentixDevice &)>;
    using LifeCycleVisitor = std::function<void(const DeviceDatabaseLifeCycle::Row &)>;

    DeviceDatabaseLiveTable();

    bool isOpen() const;
    bool ensureOpen();
    QSqlError lastError() const;

    bool insert(const ArdentixDevice &device);
    bool updateByMac(const ArdentixDevice &device, int *changed);
    bool update(const QList<ColumnValue> &values, const ColumnValue &key, int *changed);
    bool remove(const ColumnValue &key, int *removed);

    bool readByMac(const QString &mac, ArdentixDevice *device, bool *found);
    bool readByIp(const QString &ip, QList<ArdentixDevice> *devices);
    bool readMacsByIp(const QString &ip, QStringList *macs);

    // Each visits the selected rows in the order SQLite returns them.
    bool forEachDevice(const DeviceVisitor &visit);
    // Every row but those online and heard after heardAfter, in what the ageing reads.
    bool forEachAgeingCandidate(qint64 heardAfter, const LifeCycleVisitor &visit);
    bool forEachUserDevice(const DeviceVisitor &visit);
    // Rows that are not offline, limited to platforms whose name contains one of the
    // filter's texts (PlatformNameMatcher) when the filter is not empty.
    bool forEachListedDevice(const QStringList &platformFilter, const DeviceVisitor &visit);

private:
    bool execute(QSqlQuery &query);
    const DeviceDatabaseRowReader &rowReader(std::unique_ptr<DeviceDatabaseRowReader> *reader,
                                             const QSqlQuery &query);
    bool visitRows(QSqlQuery &query, const DeviceVisitor &visit);
    // Runs the query and hands each row, as `read` makes it with the reader kept in `reader`, to `visit`.
    template<typename Row>
    bool visitRows(QSqlQuery &query, std::unique_ptr<DeviceDatabaseRowReader> *reader,
                   Row (DeviceDatabaseRowReader::*read)(const QSqlQuery &) const,
                   const std::function<void(const Row &)> &visit);
    bool finishRows(QSqlQuery &query);
    void reportProblem(const QString &problem);

    DeviceDatabaseConnection m_connection;
    // UPDATE texts by their assigned columns and key column, last: a few
    // kinds of update come hundreds of times a second.
    QHash<QStringList, QString> m_updateStatements;
    // Every full-row read selects all columns of the table, so one lookup serves them all.
    std::unique_ptr<DeviceDatabaseRowReader> m_rowReader;
    std::unique_ptr<DeviceDatabaseRowReader> m_lifeCycleReader;
    QSqlError m_lastError;
    QString m_reportedProblem;
};

#endif // DEVICEDATABASELIVETABLE_H
