// The program live on a plant network of many gateways, each with its web side:
// how long from start until the table holds a row for every gateway, then over
// a minute of steady running the resident memory (the highest of one sample a
// second) and the mean CPU share of one core. The controller and its window run
// in this process in network namespace A, as the program's main() runs them;
// the emulator runs in B, its output in a file so that reading it costs this
// process nothing. With a web side that answers late, the line also counts the
// devices whose web side (JSON support and web interface) was not known at
// the end of the minute or was lost during it, sampled every 5 s.
//
//   bench_live [--seconds S] [--http-delay MS] [DEVICES...]
//   (default: 60 s; 100, then 1000 devices, then 1000 whose web side answers 1500 ms late)

#include "app/ardentixtoolbox.h"
#include "model/devicedatabase.h"

#include "netnspair.h"
#include "testsandbox.h"
#include "toolboxbench.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTableView>
#include <QThread>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

// The gateways' addresses lie in B's local route, so each web side can listen
// on its own address without one interface address per gateway; A's adapter
// gets a /16 so that every gateway is on its subnet and reachable over IP.
const char *const kGatewayRoute = "10.77.4.0/22";
const char *const kFirstGateway = "10.77.4.1";
const int kMaxDevices = 1000;
const int kRowsDeadlineMs = 120000;
const int kSlowWebSideMs = 1500;
const int kWebSideSampleSeconds = 5;

struct Figures
{
    qint64 rowsMs = 0;
    double rssMb = 0;
    double cpuPercent = 0;
    int webSideLost = 0;
};

// Each device's web side as the store last announced it, sampled now and then:
// a device counts as lost when it is not known at the last sample, or was
// known at one sample and not at a later one.
class WebSideTally
{
public:
    void update(const ArdentixDevice &device)
    {
        latest.insert(device.macAddress, device.jsonSupport && device.axguiSupport);
    }

    void sample()
    {
        for (auto device = latest.cbegin(); device != latest.cend(); ++device) {
            if (device.value())
                known.insert(device.key());
            else if (known.contains(device.key()))
                lost.insert(device.key());
        }
    }

    int lostOrNeverKnown(int devices) const
    {
        int kept = 0;
        for (auto device = latest.cbegin(); device != latest.cend(); ++device)
            kept += device.value() && !lost.contains(device.key());
        return devices - kept;
    }

private:
    QHash<QString, bool> latest;
    QSet<QString> known;
    QSet<QString> lost;
};

double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * sysconf(_SC_PAGESIZE) / (1024.0 * 1024.0) : 0;
}

bool preparePair(NetnsPair &pair, QString *error)
{
    const QString ifA = pair.interfaceName(NetnsPair::A);
    const QString a = pair.ipAddress(NetnsPair::A);
    const QList<QPair<NetnsPair::Side, QStringList>> steps = {
        {NetnsPair::A, {"addr", "del", a + "/24", "dev", ifA}},
        {NetnsPair::A, {"addr", "add", a + "/16", "dev", ifA}},
        {NetnsPair::A, {"route", "replace", "default", "dev", ifA}},
        {NetnsPair::B, {"route", "add", "local", kGatewayRoute, "dev", "lo"}},
    };
    for (const auto &step : steps) {
        QString output;
        if (!pair.run(step.first, QStringLiteral("ip"), step.second, &output)) {
            *error = "ip " + step.second.join(' ') + ": " + output.trimmed();
            return false;
        }
    }
    return true;
}

bool startGateways(const NetnsPair &pair, int devices, int httpDelayMs, const QString &log, QProcess *emulator,
                   QString *error)
{
    emulator->setStandardOutputFile(log);
    emulator->setStandardErrorFile(log, QIODevice::Append);
    emulator->start(pair.execProgram(),
                    pair.execArguments(NetnsPair::B, QStringLiteral(AX_EMULATOR_PATH),
                                       {"--interface", pair.interfaceName(NetnsPair::B), "--http", "--http-delay",
                                        QString::number(httpDelayMs), "--devices", QString::number(devices),
                                        "--base-ip", kFirstGateway, "--prefix", "16"}));
    const QDeadlineTimer deadline(30000);
    QFile output(log);
    while (!deadline.hasExpired() && emulator->state() != QProcess::NotRunning) {
        if (output.open(QIODevice::ReadOnly)) {
            const QByteArray text = output.readAll();
            output.close();
            if (text.startsWith("READY") || text.contains("\nREADY"))
                return true;
        }
        QThread::msleep(50);
    }
    *error = QStringLiteral("the emulator did not get ready; see %1").arg(log);
    return false;
}

void runEventsFor(int milliseconds, const std::function<void()> &everySecond)
{
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, everySecond);
    tick.start(1000);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool live(int devices, int httpDelayMs, int seconds, Figures *figures, QString *error)
{
    TestSandbox sandbox;
    NetnsPair pair;
    QProcess emulator;
    if (!fillWorkingFolder(sandbox, error) || !pair.setUp(error) || !preparePair(pair, error)
        || !startGateways(pair, devices, httpDelayMs, sandbox.filePath(QStringLiteral("emulator.log")), &emulator,
                          error)
        || !pair.enter(NetnsPair::A, error))
        return false;

    QElapsedTimer clock;
    clock.start();
    auto toolbox = startToolbox(error);
    if (!toolbox)
        return false;
    AXTMainWindow *window = toolboxMainWindow();
    const QAbstractItemModel *rows = window->findChild<QTableView *>("deviceTableView")->model();
    WebSideTally webSide;
    QObject::connect(toolbox->findChild<DeviceDatabase *>(), &DeviceDatabase::onlineDeviceUpdate, toolbox.get(),
                     [&webSide](const ArdentixDevice &device) { webSide.update(device); });
    const QDeadlineTimer deadline(kRowsDeadlineMs);
    while (rows->rowCount() < devices && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    figures->rowsMs = clock.elapsed();
    if (rows->rowCount() < devices) {
        *error = QStringLiteral("only %1 of %2 devices in the table").arg(rows->rowCount()).arg(devices);
        return false;
    }

    const qint64 cpuBefore = cpuMicroseconds();
    clock.restart();
    double rss = residentMb();
    int second = 0;
    runEventsFor(seconds * 1000, [&] {
        rss = std::max(rss, residentMb());
        if (++second % kWebSideSampleSeconds == 0)
            webSide.sample();
    });
    figures->cpuPercent = (cpuMicroseconds() - cpuBefore) / 10.0 / double(clock.elapsed());
    figures->rssMb = std::max(rss, residentMb());
    webSide.sample();
    figures->webSideLost = webSide.lostOrNeverKnown(devices);

    window->close();
    toolbox.reset();
    pair.leave();
    return true;
}

int fail(const QString &why)
{
    return benchFailed("bench_live", why);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    prepareBench();

    int seconds = 60;
    int httpDelayMs = 0;
    QList<int> counts;
    QStringList arguments = app.arguments().mid(1);
    while (!arguments.isEmpty()) {
        const QString argument = arguments.takeFirst();
        bool ok = false;
        if (argument == QLatin1String("--seconds") && !arguments.isEmpty())
            seconds = arguments.takeFirst().toInt(&ok);
        else if (argument == QLatin1String("--http-delay") && !arguments.isEmpty())
            httpDelayMs = arguments.takeFirst().toInt(&ok);
        else
            counts << argument.toInt(&ok);
        if (!ok || seconds < 1 || httpDelayMs < 0
            || (!counts.isEmpty() && (counts.last() < 1 || counts.last() > kMaxDevices)))
            return fail(QStringLiteral("usage: bench_live [--seconds S] [--http-delay MS] [DEVICES (1 to %1)...]")
                            .arg(kMaxDevices));
    }

    // One process per run: what one run leaves on the heap is not counted in the next.
    QList<QPair<int, int>> runs; // devices, web side delay
    if (counts.isEmpty())
        runs = {{100, 0}, {1000, 0}, {1000, kSlowWebSideMs}};
    else if (counts.size() > 1)
        for (int devices : std::as_const(counts))
            runs.append({devices, httpDelayMs});
    for (const auto &[devices, delay] : std::as_const(runs)) {
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start(QCoreApplication::applicationFilePath(), {"--seconds", QString::number(seconds), "--http-delay",
                                                            QString::number(delay), QString::number(devices)});
        if (!run.waitForFinished(-1) || run.exitStatus() != QProcess::NormalExit || run.exitCode() != 0)
            return 1;
    }
    if (!runs.isEmpty())
        return 0;

    const QString unavailable = NetnsPair::unavailableReason();
    if (!unavailable.isEmpty())
        return fail(unavailable);
    Figures figures;
    QString error;
    if (!live(counts.first(), httpDelayMs, seconds, &figures, &error))
        return fail(error);
    const QByteArray slow = httpDelayMs > 0 ? QByteArray(", web side ") + QByteArray::number(httpDelayMs) + " ms late"
                                            : QByteArray();
    std::printf("live %d devices%s: rows %lld ms, rss %.0f MB, cpu %.1f%%", counts.first(), slow.constData(),
                static_cast<long long>(figures.rowsMs), figures.rssMb, figures.cpuPercent);
    if (httpDelayMs > 0)
        std::printf(", web side lost %d", figures.webSideLost);
    std::printf("\n");
    std::fflush(stdout);
    return 0;
}
