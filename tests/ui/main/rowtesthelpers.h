#ifndef ROWTESTHELPERS_H
#define ROWTESTHELPERS_H

#include "model/ardentixdevice.h"

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

// Answers the next modal box or popup menu once it is up, from inside its own
// event loop, the way a user would. The poll ends with the answer; a test that
// expects no box deletes it.
inline QTimer *whenUp(std::function<QWidget *()> find, std::function<void(QWidget *)> answer)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, find, answer] {
        QWidget *widget = find();
        if (!widget || !widget->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        answer(widget);
    });
    poll->start(10);
    return poll;
}

inline QTimer *whenModalUp(std::function<void(QWidget *)> answer)
{
    return whenUp([] { return QApplication::activeModalWidget(); }, std::move(answer));
}

inline QTimer *whenPopupUp(std::function<void(QWidget *)> answer)
{
    return whenUp([] { return QApplication::activePopupWidget(); }, std::move(answer));
}

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

// A program that appends its arguments, one a line, then "--", to a log file.
inline bool writeRecordingProgram(const QString &path, const QString &logPath)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\nfor arg in \"$@\"; do printf '%s\\n' \"$arg\"; done >> '");
    file.write(logPath.toLocal8Bit());
    file.write("'\necho -- >> '");
    file.write(logPath.toLocal8Bit());
    file.write("'\n");
    file.close();
    return file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

inline QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
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
