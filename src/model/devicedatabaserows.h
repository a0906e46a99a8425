#ifndef DEVICEDATABASEROWS_H
#define DEVICEDATABASEROWS_H

#include "ardentixdevice.h"
#include "devicedatabaseschema.h"

class QSqlQuery;

// Binds a whole ArdentixDevice to the values of a prepared row statement:
// the INSERT of each table and the UPDATE by MAC.
class DeviceDatabaseRows
{
public:
    static void bindLiveInsert(QSqlQuery &query, const ArdentixDevice &device);
    static void bindFileInsert(QSqlQuery &query, const ArdentixDevice &device);
    // The query must hold DeviceDatabaseSchema::updateByMac() for this device and layout.
    static void bindUpdateByMac(QSqlQuery &query, const ArdentixDevice &device,
                                DeviceDatabaseSchema::Layout layout);

private:
    static void bindDescription(QSqlQuery &query, const ArdentixDevice &device);
    static void bindFileColumns(QSqlQuery &query, const ArdentixDevice &device);
};

#endif // DEVICEDATABASEROWS_H
