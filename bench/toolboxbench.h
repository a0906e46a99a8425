#ifndef TOOLBOXBENCH_H
#define TOOLBOXBENCH_H

// Shared by the benchmarks that run the whole program: its run-time files in
// a throw-away working folder, its main window once it has started, and a
// console that shows only the figures and what went wrong.

#include "app/ardentixtoolbox.h"
#include "model/axmetatypes.h"
#include "ui/main/axtmainwindow.h"
#include "ui/runmode.h"

#include "testsandbox.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

// The program's debug output and warnings would bury the figures.
inline void quietBenchMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtWarningMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// What the program's main() registers before it starts.
inline void prepareBench()
{
    registerAxMetaTypes();
    qRegisterMetaType<RUN_MODE>("RUN_MODE");
    qInstallMessageHandler(quietBenchMessages);
}

inline int benchFailed(const char *bench, const QString &why)
{
    std::fprintf(stderr, "%s: %s\n", bench, qPrintable(why));
    return 1;
}

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

// User and system time of every thread of this process, the ended ones too.
inline qint64 cpuMicroseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000 + usage.ru_utime.tv_usec
           + usage.ru_stime.tv_usec;
}

// The sandbox is the working folder; the program finds its run-time files there.
inline bool fillWorkingFolder(const TestSandbox &sandbox, QString *error)
{
    if (sandbox.isValid() && copyRunFiles(sandbox.path()))
        return true;
    *error = QStringLiteral("no working folder");
    return false;
}

inline AXTMainWindow *toolboxMainWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<AXTMainWindow *>(widget))
            return window;
    return nullptr;
}

// The controller started as the program's main() starts it; null when its
// main window did not come up.
inline std::unique_ptr<ArdentixToolbox> startToolbox(QString *error)
{
    auto toolbox = std::make_unique<ArdentixToolbox>();
    toolbox->Start(RUN_MODE(0));
    if (toolboxMainWindow())
        return toolbox;
    *error = QStringLiteral("the program did not start");
    return nullptr;
}

#endif // TOOLBOXBENCH_H
