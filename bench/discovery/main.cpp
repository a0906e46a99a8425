// How long until the communications manager has reported every gateway that
// answered one discovery request, and how many replies the capture path lost.

#include "comm/axcomm.h"

#include "model/ardentixdevice.h"
#include "model/axmetatypes.h"
#include "model/axsignalobject.h"

#include "emulatorprocess.h"
#include "netnspair.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSet>
#include <QTimer>

#include <cstdio>

namespace {

struct Result
{
    qint64 milliseconds = 0;
    int dropped = 0;
};

bool discover(int devices, Result *result, QString *error)
{
    NetnsPair pair;
    if (!pair.setUp(error))
        return false;
    EmulatorProcess emulator;
    // A /16 keeps every gateway on the adapter's subnet.
    if (!emulator.start(pair, NetnsPair::B, AX_EMULATOR_PATH,
                        {"--devices", QString::number(devices), "--base-ip", "10.77.1.1", "--prefix", "16"}, error)
        || !pair.enter(NetnsPair::A, error))
        return false;

    AxSignalObject root(nullptr);
    AxComm comm(nullptr, &root);
    comm.startListening(QHostAddress("255.255.255.255"));

    QSet<QString> found;
    QElapsedTimer clock;
    QEventLoop loop;
    QObject::connect(&comm, &AxComm::deviceFound, &loop, [&](const ArdentixDevice &device) {
        found.insert(device.macAddress);
        if (found.size() == devices) {
            result->milliseconds = clock.elapsed();
            loop.quit();
        }
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);

    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);   // capture threads reading
    settle.exec();

    clock.start();
    comm.vekPing();
    loop.exec();
    if (found.size() < devices)
        result->milliseconds = clock.elapsed();
    result->dropped = devices - int(found.size());
    pair.leave();
    return true;
}

void quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    registerAxMetaTypes();
    qInstallMessageHandler(quiet);

    const QString unavailable = NetnsPair::unavailableReason();
    if (!unavailable.isEmpty()) {
        std::fprintf(stderr, "bench_discovery: %s\n", qPrintable(unavailable));
        return 1;
    }
    for (int devices : {100, 1000}) {
        Result result;
        QString error;
        if (!discover(devices, &result, &error)) {
            std::fprintf(stderr, "bench_discovery: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("discovery %d devices: %lld ms, %d dropped\n", devices,
                    static_cast<long long>(result.milliseconds), result.dropped);
        std::fflush(stdout);
    }
    return 0;
}
