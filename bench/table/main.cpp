// How long one refresh pass of the device table takes with 1000 gateways in it:
// the store reports every listed device and the main window refreshes its row,
// then the window repaints. The real controller runs in network namespace A,
// the emulator in B; the settings and files live in a throw-away folder.

#include "app/ardentixtoolbox.h"
#include "model/devicedatabase.h"
#include "ui/main/axtmainwindow.h"

#include "emulatorprocess.h"
#include "netnspair.h"
#include "testsandbox.h"
#include "toolboxbench.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QStandardItemModel>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

const int kDevices = 1000;
const int kPasses = 20;

int fail(const QString &why)
{
    return benchFailed("bench_table", why);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    prepareBench();

    const QString unavailable = NetnsPair::unavailableReason();
    if (!unavailable.isEmpty())
        return fail(unavailable);
    TestSandbox sandbox;
    if (!sandbox.isValid() || !copyRunFiles(sandbox.path()))
        return fail(QStringLiteral("no working folder"));

    NetnsPair pair;
    EmulatorProcess emulator;
    QString error;
    // A /16 keeps every gateway on the adapter's subnet.
    if (!pair.setUp(&error)
        || !emulator.start(pair, NetnsPair::B, AX_EMULATOR_PATH,
                           {"--devices", QString::number(kDevices), "--base-ip", "10.77.1.1", "--prefix", "16"},
                           &error)
        || !pair.enter(NetnsPair::A, &error))
        return fail(error);

    auto toolbox = std::make_unique<ArdentixToolbox>();
    toolbox->Start(RUN_MODE(0));
    AXTMainWindow *window = toolboxMainWindow();
    auto *store = toolbox->findChild<DeviceDatabase *>();
    if (!window || !store)
        return fail(QStringLiteral("the program did not start"));
    const QAbstractItemModel *rows = window->findChild<QTableView *>("deviceTableView")->model();

    const QDeadlineTimer deadline(120000);
    while (rows->rowCount() < kDevices && !deadline.hasExpired())
        app.processEvents(QEventLoop::AllEvents, 50);
    if (rows->rowCount() < kDevices)
        return fail(QStringLiteral("only %1 devices in the table").arg(rows->rowCount()));

    QList<double> passes;
    QElapsedTimer clock;
    for (int pass = 0; pass < kPasses; ++pass) {
        app.processEvents();
        clock.start();
        store->readOnlineDevices(QStringList());
        // The relayout and repaint the pass asked for, without the discovery
        // answers and timers also waiting in the queue.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        passes << clock.nsecsElapsed() / 1e6;
    }
    std::sort(passes.begin(), passes.end());
    std::printf("%d passes: fastest %.1f ms, median %.1f ms, slowest %.1f ms\n", kPasses, passes.first(),
                passes.at(kPasses / 2), passes.last());
    std::printf("table %d rows: refresh %.1f ms\n", kDevices, passes.at(kPasses / 2));
    std::fflush(stdout);

    window->close();
    toolbox.reset();
    pair.leave();
    return 0;
}
