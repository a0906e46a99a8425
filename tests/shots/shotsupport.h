#ifndef SHOTSUPPORT_H
#define SHOTSUPPORT_H

#include "gatewaytestbed.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QTextStream>
#include <QWidget>

// Saves what the window shows now as FOLDER/NAME and prints the path, after
// letting pending events (layout, painting) run.
inline bool saveShot(QWidget *window, const QString &folder, const QString &name)
{
    window->show();
    window->raise();
    QTest::qWait(300);
    const QString path = QDir(folder).filePath(name);
    const bool saved = window->grab().save(path);
    QTextStream(saved ? stdout : stderr) << (saved ? "" : "could not save ") << path << Qt::endl;
    return saved;
}

// The folder given as the program's first argument, made when missing.
inline QString shotFolder()
{
    const QStringList arguments = QCoreApplication::arguments();
    const QString folder = arguments.size() > 1 ? arguments.at(1) : QStringLiteral("screenshots");
    QDir().mkpath(folder);
    return folder;
}

// Sets up the namespace pair and starts the emulator in it with the options
// given; says on stderr why not, under the program's name.
inline bool startShotBed(GatewayTestBed &bed, const QStringList &emulatorOptions, const char *program)
{
    const QString reason = bed.setUp();
    if (!reason.isEmpty() || !bed.startEmulator(emulatorOptions)) {
        QTextStream(stderr) << program << ": "
                            << (reason.isEmpty() ? QStringLiteral("the emulator did not start") : reason) << Qt::endl;
        return false;
    }
    return true;
}

#endif // SHOTSUPPORT_H
