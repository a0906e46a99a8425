#ifndef DEVICEDATABASESCHEMA_H
#define DEVICEDATABASESCHEMA_H

#include "ardentixdevice.h"

#include <QList>
#include <QString>
#include <QStringList>

// The table "devices" of the live list and of the device file, and the statements
// that read and write whole rows of it. Names, type texts and column order are
// those of files written by earlier versions and must not change.
class DeviceDatabaseSchema
{
public:
    enum Layout { LiveLayout, FileLayout };

    struct Column {
        const char *name;
        const char *type;
    };

    static const char *const tableName;

    static QList<Column> columns(Layout layout);
    static QStringList columnNames(Layout layout);
    static QString typeOf(Layout layout, const QString &column);

    static QString createTable(Layout layout);
    static QString liveInsert();
    static QString fileInsert();
    // The full UPDATE by MAC for this device: a time stamp of 0 leaves the stored
    // time as it is, and so does an empty display MAC, which only the live table holds.
    static QString updateByMac(const ArdentixDevice &device, Layout layout);
    static bool updatesDisplayMac(const ArdentixDevice &device, Layout layout);
    static QString update(const QStringList &assignedColumns, const QString &keyColumn);
    static QString selectAll();
    // What the ageing of a row decides on, for every row but those online and heard
    // after :heard_after, which no pass changes.
    static QString selectAgeingCandidates();
    static QString selectWhere(const QString &column);
    static QString deleteWhere(const QString &column);
    static QString bindName(const QString &column);

private:
    static QString insert(const QStringList &columnNames);
    static QString updateByMacStatement(bool withVekTime, bool withIpTime, bool withDisplayMac);
};

#endif // DEVICEDATABASESCHEMA_H
