// Cost of the device store at sizes well beyond a plant network: arrival of distinct
// devices, then the maintenance the controller runs every second (re-reading the
// listed devices, then ageing every row). The figure is the median of the passes
// in which every device is online and recently heard.

#include "model/devicedatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

const int steadyPasses = 15;

// Filled as an identification reply fills a record.
ArdentixDevice benchDevice(int number, qint64 heardAt)
{
    ArdentixDevice device;
    const unsigned char mac[6] = {0x00, 0x60, 0x35, quint8(number >> 16), quint8(number >> 8),
                                  quint8(number)};
    const unsigned char shownMac[6] = {0x00, 0x60, 0x35, quint8(number >> 16), quint8(number >> 8),
                                       quint8(number + 1)};
    device.setMac(mac);
    device.setDisplayMac(shownMac);
    device.ipAddress = QHostAddress(quint32(0x0A000000 + number + 1));
    device.configTitle = QStringLiteral("Line %1").arg(number);
    device.devicePlatform = QStringLiteral("AXT 300");
    device.rebootTime = QStringLiteral("2024-03-01 06:00:00");
    device.firmwareVersion = QStringLiteral("Ver6.21");
    device.firmwareFileName = QStringLiteral("axt300.bin");
    device.localAdapterMac = QStringLiteral("52:54:00:12:34:56");
    device.platformCode = 300;
    device.nicCount = 2;
    device.ipConnectivity = true;
    device.vekConnectivity = true;
    device.lastVekCommTime = quint64(heardAt);
    return device;
}

// Milliseconds of one maintenance as the controller runs it: the list, then the ageing.
double maintenanceMs(DeviceDatabase &store)
{
    QElapsedTimer timer;
    timer.start();
    store.readOnlineDevices({QString()});
    store.databaseMaintenance();
    return timer.nsecsElapsed() / 1e6;
}

double arrivalUs(DeviceDatabase &store, int count, qint64 heardAt)
{
    QElapsedTimer timer;
    timer.start();
    for (int number = 0; number < count; ++number)
        store.updateDeviceOnDefaultDatabase(benchDevice(number, heardAt));
    return timer.nsecsElapsed() / 1e3 / count;
}

void measure(int count, QTextStream &out)
{
    const QString label = QStringLiteral("store %1 devices: ").arg(count);
    qint64 clock = 1700000000000;
    DeviceDatabase store(nullptr, [&clock] { return clock; });
    store.setTimeouts(30000, 6000, 20000);
    int listed = 0;
    QObject::connect(&store, &DeviceDatabase::onlineDeviceUpdate, [&listed] { ++listed; });

    clock += 5000; // past the start window: devices arrive as new
    out << label << "arrival " << QString::number(arrivalUs(store, count, clock), 'f', 1)
        << " us per new device" << Qt::endl;
    // The next discovery round, when the new period is over: every device answers again.
    clock += 20001;
    out << label << "arrival " << QString::number(arrivalUs(store, count, clock), 'f', 1)
        << " us per known device" << Qt::endl;

    out << label << "pass turning every row online "
        << QString::number(maintenanceMs(store), 'f', 2) << " ms" << Qt::endl;

    std::vector<double> passes;
    for (int pass = 0; pass < steadyPasses; ++pass) {
        listed = 0;
        passes.push_back(maintenanceMs(store));
        if (listed != count) {
            out << label << "only " << listed << " listed" << Qt::endl;
            return;
        }
    }
    std::sort(passes.begin(), passes.end());
    out << label << "pass " << QString::number(passes[passes.size() / 2], 'f', 2) << " ms"
        << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QTemporaryDir workingDirectory;
    if (!workingDirectory.isValid() || !QDir::setCurrent(workingDirectory.path()))
        return 1;

    QTextStream out(stdout);
    measure(1000, out);
    measure(5000, out);
    return 0;
}
