// The program idle on one adapter with no device on it: how often its threads
// wake a second, counted as the voluntary context switches of all of them
// (a thread that sleeps and is woken again), and its mean CPU share of one
// core, over a span that starts after the start-up. The controller and its
// window run in this process in network namespace A, whose one adapter is the
// veth end; nothing answers on the other.
//
//   bench_idle [--seconds S]    (default: 60 s)

#include "app/ardentixtoolbox.h"
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
#include <memory>

namespace {

const int kStartUpMs = 5000;

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

int fail(const QString &why)
{
    return benchFailed("bench_idle", why);
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
        return fail(QStringLiteral("usage: bench_idle [--seconds S]"));

    const QString unavailable = NetnsPair::unavailableReason();
    if (!unavailable.isEmpty())
        return fail(unavailable);
    TestSandbox sandbox;
    if (!sandbox.isValid() || !copyRunFiles(sandbox.path()))
        return fail(QStringLiteral("no working folder"));
    NetnsPair pair;
    QString error;
    if (!pair.setUp(&error) || !pair.enter(NetnsPair::A, &error))
        return fail(error);
    const int adapters = AdapterList().count();
    if (adapters != 1)
        return fail(QStringLiteral("%1 adapters in the namespace, not 1").arg(adapters));

    auto toolbox = std::make_unique<ArdentixToolbox>();
    toolbox->Start(RUN_MODE(0));
    AXTMainWindow *window = toolboxMainWindow();
    if (!window)
        return fail(QStringLiteral("the program did not start"));
    runEventsFor(kStartUpMs);

    const qint64 switchesBefore = voluntarySwitches();
    const qint64 cpuBefore = cpuMicroseconds();
    QElapsedTimer clock;
    clock.start();
    runEventsFor(seconds * 1000);
    const double elapsedMs = double(clock.elapsed());
    const double wakeups = (voluntarySwitches() - switchesBefore) * 1000.0 / elapsedMs;
    const double cpuPercent = (cpuMicroseconds() - cpuBefore) / 10.0 / elapsedMs;

    window->close();
    toolbox.reset();
    pair.leave();
    std::printf("idle 1 adapter: wakeups %.0f/s, cpu %.2f%%\n", wakeups, cpuPercent);
    std::fflush(stdout);
    return 0;
}
