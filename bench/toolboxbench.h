#ifndef TOOLBOXBENCH_H
#define TOOLBOXBENCH_H

// Shared by the benchmarks that run the whole program: its run-time files in
// a throw-away working folder, and its main window once it has started.

#include "ui/main/axtmainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>

// The pictures and style sheets the program reads beside it (AX_RUN_DIR).
inline bool copyRunFiles(const QString &to)
{
    for (const char *folder : {"images", "style"}) {
        const QDir from(QStringLiteral(AX_RUN_DIR "/") + QLatin1String(folder));
        if (!QDir(to).mkpath(QLatin1String(folder)))
            return false;
        for (const QString &name : from.entryList(QDir::Files))
            if (!QFile::copy(from.filePath(name), to + "/" + folder + "/" + name))
                return false;
    }
    return true;
}

inline AXTMainWindow *toolboxMainWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<AXTMainWindow *>(widget))
            return window;
    return nullptr;
}

#endif // TOOLBOXBENCH_H
