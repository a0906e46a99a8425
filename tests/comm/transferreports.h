#ifndef TRANSFERREPORTS_H
#define TRANSFERREPORTS_H

#include "model/ardentixdevice.h"
#include "model/axtypes.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QString>
#include <QStringList>

// What the transfer tests hand to AxFileAccess and read back from it.

inline ArdentixDevice deviceAt(const QString &address, const QString &user = QString(),
                               const QString &password = QString())
{
    ArdentixDevice device;
    device.ipAddress = QHostAddress(address);
    device.username = user;
    device.password = password;
    return device;
}

// Every report of one signal_file_send_complete spy as "path=state".
inline QStringList sendReports(const QSignalSpy &spy)
{
    QStringList reports;
    for (const QList<QVariant> &report : spy)
        reports << report.at(0).toString() + "=" + QString::number(report.at(1).value<FILE_TRANSFER_STATE>());
    return reports;
}

inline const QString Complete = QString::number(FILE_TRANSFER_COMPLETE);
inline const QString Failed = QString::number(FILE_TRANSFER_FAILED);
inline const QString AuthRequired = QString::number(FILE_TRANSFER_AUTH_REQUIRED);

#endif // TRANSFERREPORTS_H
