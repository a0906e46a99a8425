#ifndef ROWTESTHELPERS_H
#define ROWTESTHELPERS_H

#include "model/ardentixdevice.h"

#include "modalanswer.h"
#include "testfiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <QWidget>

#include <functional>

// Shared by the tests of the device table's rows, row buttons and toolbar.
namespace RowTest {

// Where a click toggles a radio button: on its indicator.
inline QPoint indicatorPoint(QAbstractButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    return button->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, button).center();
}

// The pictures the rows read from the working directory, from the build's run folder.
inline bool copyImages(const QString &to)
{
    const QDir from(QStringLiteral(AX_BINARY_DIR "/run/images"));
    if (!QDir(to).mkpath(QStringLiteral("images")))
        return false;
    for (const QString &name : from.entryList(QDir::Files))
        if (!QFile::copy(from.filePath(name), to + QStringLiteral("/images/") + name))
            return false;
    return true;
}

// An answering gateway on the PC's subnet, as discovery reports it.
inline ArdentixDevice onlineDevice(const QString &ip, const QString &mac)
{
    ArdentixDevice device;
    device.ipAddress = QHostAddress(ip);
    device.setMacString(mac);
    device.setDisplayMacString(mac);
    device.configTitle = QStringLiteral("Gateway ") + ip;
    device.devicePlatform = QStringLiteral("AX-T100");
    device.ipConnectivity = true;
    device.vekConnectivity = true;
    device.onAdapterSubnet = true;
    device.discoveryState = DISCOVERY_ONLINE;
    return device;
}

} // namespace RowTest

#endif // ROWTESTHELPERS_H
