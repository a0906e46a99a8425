#ifndef DEVICEDATABASEFILE_H
#define DEVICEDATABASEFILE_H

#include "ardentixdevice.h"
#include "devicedatabaseconnection.h"

#include <QList>
#include <QString>

// The device file "./axdevices.db", which keeps favourites and user-added devices
// from one run to the next. A file that cannot be used (missing folder, damaged,
// locked, a table without the key column) is logged once with its reason and retried
// by the next operation; a file of an earlier version gets the columns it lacks.
// Every operation returns whether it worked, and lastError() tells why not.
class DeviceDatabaseFile
{
public:
    enum UpdateResult { Updated, NotStored, UpdateFailed };

    DeviceDatabaseFile();

    bool ensureOpen();
    QString lastError() const;

    UpdateResult update(const ArdentixDevice &device);
    bool insert(const ArdentixDevice &device);
    // Removed row counts go to *removed.
    bool removeByMac(const QString &mac, int *removed);
    bool removeByIp(const QString &ip, int *removed);
    // Swaps one row for another in a single transaction, so that a failed insert keeps the old row.
    bool replace(const QString &oldMac, const ArdentixDevice &device);
    bool readAll(QList<ArdentixDevice> *devices);

private:
    bool setUp();
    bool addMissingColumns(const QStringList &presentColumns);
    bool fail(const QString &error);
    void reportProblem(const QString &problem);
    bool remove(const QString &keyColumn, const QString &key, int *removed);
    bool execInsert(const ArdentixDevice &device);

    DeviceDatabaseConnection m_connection;
    QString m_lastError;
    QString m_reportedProblem;
};

#endif // DEVICEDATABASEFILE_H
