// The program idle on one adapter with no device on it: how often its threads
// wake a second, counted as the voluntary context switches of all of them
// (a thread that sleeps and is woken again), and its mean CPU share of one
// core, over a span that starts after the start-up. The controller and its
// window run in this process in network namespace A, whose one adapter is the
// veth end; nothing answers on the other.
//
//   bench_idle [--seconds S]    (default: 60 s)

#include "comm/link/adapterlist.h"

#include "netnspair.h"
#include "testsandbox.h"
#include "toolboxbench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

const int kStartUpMs = 5000;

struct Figures
{
    double wakeupsPerSecond = 0;
    double cpuPercent = 0;
};

qint64 voluntarySwitches()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

void runEventsFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool idle(int seconds, Figures *figures, QString *error)
{
    TestSandbox sandbox;
    NetnsPair pair;
    if (!fillWorkingFolder(sandbox, error) || !pair.setUp(error) || !pair.enter(NetnsPair::A, error))
        return false;
    const int adapters = AdapterList().count();
    if (adapters != 1) {
        *error = QStringLiteral("%1 adapters in the namespace, not 1").arg(adapters);
        return false;
    }
    auto toolbox = startToolbox(error);
    if (!toolbox)
        return false;
    runEventsFor(kStartUpMs);

    const qint64 switchesBefore = voluntarySwitches();
    const qint64 cpuBefore = cpuMicroseconds();
    QElapsedTimer clock;
    clock.start();
    runEventsFor(seconds * 1000);
    const double elapsedMs = double(clock.elapsed());
    figures->wakeupsPerSecond = (voluntarySwitches() - switchesBefore) * 1000.0 / elapsedMs;
    figures->cpuPercent = (cpuMicroseconds() - cpuBefore) / 10.0 / elapsedMs;

    toolboxMainWindow()->close();
    toolbox.reset();
    pair.leave();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    prepareBench();

    int seconds = 60;
    const QStringList arguments = app.arguments().mid(1);
    bool ok = arguments.isEmpty();
    if (arguments.size() == 2 && arguments.first() == QLatin1String("--seconds"))
        seconds = arguments.last().toInt(&ok);
    if (!ok || seconds < 1)
        return benchFailed("bench_idle", QStringLiteral("usage: bench_idle [--seconds S]"));

    QString error = NetnsPair::unavailableReason();
    Figures figures;
    if (!error.isEmpty() || !idle(seconds, &figures, &error))
        return benchFailed("bench_idle", error);
    std::printf("idle 1 adapter: wakeups %.0f/s, cpu %.2f%%\n", figures.wakeupsPerSecond, figures.cpuPercent);
    std::fflush(stdout);
    return 0;
}
