#include "startupoptions.h"

#include "messagerouting.h"

#include <QDateTime>
#include <QDebug>

RUN_MODE instanceRunMode(int runningInstances)
{
    return runningInstances > 1 ? RUN_MODE_SECOND_INSTANCE : RUN_MODE(0);
}

RUN_MODE readStartupOptions(const QStringList &arguments, RUN_MODE mode)
{
    for (const QString &argument : arguments) {
        const auto is = [&argument](const char *option) {
            return argument.compare(QLatin1String(option), Qt::CaseInsensitive) == 0;
        };
        if (is("-a")) {
            mode = RUN_MODE(mode | RUN_MODE_ADVANCED);
            qDebug("Advanced mode");
        } else if (is("-d")) {
            openDebugWindow();
        } else if (is("-e")) {
            mode = RUN_MODE(mode | RUN_MODE_ENGINEERING);
            qDebug("Engineering mode");
        } else if (is("-f")) {
            mode = RUN_MODE(mode | RUN_MODE_FORCED_PING);
            qDebug("Engineering mode");
        } else if (is("-l")) {
            qDebug("Debug_logging mode");
            openLogFile(logFileName(QDateTime::currentDateTime()));
        }
    }
    return mode;
}
