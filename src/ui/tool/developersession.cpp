#include "developersession.h"

#include "comm/axcomm.h"
#include "comm/link/adapter.h"
#include "comm/link/winpcapreceiveprocess.h"
#include "comm/vek/vekcomm.h"
#include "model/devicedatabaseadder.h"
#include "ui/userdeviceaddress.h"

#include <QDebug>

namespace {

const QHostAddress kBroadcast(QStringLiteral("255.255.255.255"));

// A device may sit on any subnet: Set IP is heard by every device on the
// link and Ping Remote is routed. What no device can ever be is refused, and
// the selected adapter's directed broadcast would reach every device at once.
QString whyNoDevice(const QHostAddress &address, const Adapter &adapter)
{
    const quint32 ip = address.toIPv4Address();
    if (ip == 0)
        return QObject::tr("%1 is the unspecified address, not a device.").arg(address.toString());
    if (isOwnAddress(address))
        return QObject::tr("%1 is an address of this PC.").arg(address.toString());
    if ((ip >> 28) >= 0xE)
        return QObject::tr("%1 is a group, reserved or broadcast address, not one device.").arg(address.toString());
    const quint32 mask = adapter.netmask();
    // /31 and /32 networks have no broadcast address of their own.
    if (mask < 0xFFFFFFFEu && isOnAdapterSubnet(address, adapter) && (ip & ~mask) == ~mask)
        return QObject::tr("%1 is the broadcast address of %2/%3, not one device.")
            .arg(address.toString(), adapter.ipString(), adapter.netmaskString());
    return QString();
}

} // namespace

DeveloperSession::DeveloperSession(QObject *parent)
    : QObject(parent)
{
    repeatingPing.setInterval(RepeatingPingMs);
    connect(&database, &DeviceDatabase::onlineDeviceUpdate, this, &DeveloperSession::onlineDevice);
    database.startMaintenanceTimer();
}

// Everything started here stops before what it uses goes: the ping before the
// manager, the capture threads before their adapters, the adders before the store.
DeveloperSession::~DeveloperSession()
{
    repeatingPing.stop();
    delete manager;
    stopCapture();
    qDeleteAll(adders);
    adders.clear();
    adapterList.reset();
}

void DeveloperSession::readAdapters()
{
    stopCapture();
    adapterList = std::make_unique<AdapterList>();
}

const AdapterList *DeveloperSession::adapters() const
{
    return adapterList.get();
}

bool DeveloperSession::startCapture()
{
    if (!adapterList || capturing)
        return false;
    for (int i = 0; i < adapterList->count(); ++i) {
        auto thread = std::make_unique<WinPcapReceiveProcess>(adapterList->adapter(quint8(i)));
        connect(thread.get(), &WinPcapReceiveProcess::newPacketReceived, this, &DeveloperSession::frameCaptured);
        thread->startCapture();
        captureThreads[size_t(i)] = std::move(thread);
    }
    capturing = true;
    return true;
}

bool DeveloperSession::isCapturing() const
{
    return capturing;
}

// The capture thread's own stop: flag, break of the read, wait, handle closed.
void DeveloperSession::stopCapture()
{
    for (std::unique_ptr<WinPcapReceiveProcess> &thread : captureThreads)
        thread.reset();
    capturing = false;
}

quint32 DeveloperSession::packetCount() const
{
    return packets;
}

quint32 DeveloperSession::byteCount() const
{
    return bytes;
}

void DeveloperSession::frameCaptured(const QByteArray &frame)
{
    getVekPacket(reinterpret_cast<const uchar *>(frame.constData()), ulong(frame.size()));
}

void DeveloperSession::getVekPacket(const uchar *data, ulong length)
{
    Q_UNUSED(data);
    ++packets;
    bytes += quint32(length);
    emit trafficCounted(packets, bytes);
}

bool DeveloperSession::refuse(const QString &reason)
{
    emit refused(reason);
    return false;
}

const Adapter *DeveloperSession::selectedAdapter(int adapterIndex)
{
    if (!adapterList || adapterIndex < 0 || adapterIndex >= adapterList->count()) {
        refuse(tr("No adapter is selected."));
        return nullptr;
    }
    return adapterList->adapter(quint8(adapterIndex));
}

QHostAddress DeveloperSession::deviceAddress(const Adapter &adapter, const QString &field, const QString &text)
{
    const QHostAddress address = parseUserDeviceAddress(text);
    const QString why = address.isNull()
        ? tr("\"%1\" is not an IPv4 address such as 192.168.1.20.").arg(text)
        : whyNoDevice(address, adapter);
    if (why.isEmpty())
        return address;
    refuse(field + QStringLiteral(": ") + why);
    return QHostAddress();
}

bool DeveloperSession::pingBroadcast(int adapterIndex)
{
    const Adapter *adapter = selectedAdapter(adapterIndex);
    if (!adapter)
        return false;
    VekComm vek(this, nullptr, adapter, kBroadcast);
    vek.vekPingBroadcast();
    return true;
}

bool DeveloperSession::setIp(int adapterIndex, const QString &currentIp, const QString &newIp)
{
    const Adapter *adapter = selectedAdapter(adapterIndex);
    if (!adapter)
        return false;
    const QHostAddress current = deviceAddress(*adapter, tr("Current IP"), currentIp);
    if (current.isNull())
        return false;
    const QHostAddress next = deviceAddress(*adapter, tr("New IP"), newIp);
    if (next.isNull())
        return false;

    VekComm vek(this, nullptr, adapter, kBroadcast);
    emit adapterMessage(QStringLiteral("Set IP "));
    vek.vekSetIpBroadcast(current, next);
    return true;
}

bool DeveloperSession::pingRemote(int adapterIndex, const QString &address)
{
    const Adapter *adapter = selectedAdapter(adapterIndex);
    if (!adapter)
        return false;
    const QHostAddress remote = deviceAddress(*adapter, tr("Remote IP"), address);
    if (remote.isNull())
        return false;
    VekComm vek(this, nullptr, adapter, kBroadcast);
    vek.vekPingUdp(remote.toIPv4Address());
    return true;
}

bool DeveloperSession::createComm()
{
    if (manager) {
        emit commMessage(QStringLiteral("AxComm object already created"));
        return false;
    }
    manager = new AxComm(this, nullptr);
    emit commMessage(QStringLiteral("AxComm Created"));
    const AdapterList *list = manager->adapterList();
    for (int i = 0; i < list->count(); ++i) {
        emit commMessage(QStringLiteral("Found adapter: \t") + list->description(quint8(i))
                         + QStringLiteral("  -  IP Address: ") + list->ipString(quint8(i)));
    }
    return true;
}

AxComm *DeveloperSession::comm() const
{
    return manager;
}

// A second start would put a second endpoint on every adapter over the first.
bool DeveloperSession::listenForVek()
{
    if (!manager || listening)
        return false;
    manager->startListening(kBroadcast);
    listening = true;
    emit commMessage(QStringLiteral("Listening for VEK traffic on all adapters"));
    connect(manager, &AxComm::deviceFound, this, &DeveloperSession::onDeviceFound);
    connect(&repeatingPing, &QTimer::timeout, manager, &AxComm::vekPing);
    return true;
}

bool DeveloperSession::isListening() const
{
    return listening;
}

void DeveloperSession::pingAll()
{
    if (listening)
        manager->vekPing();
}

bool DeveloperSession::startRepeatingPing()
{
    if (!listening || repeatingPing.isActive())
        return false;
    repeatingPing.start();
    return true;
}

void DeveloperSession::stopRepeatingPing()
{
    repeatingPing.stop();
}

bool DeveloperSession::isRepeatingPing() const
{
    return repeatingPing.isActive();
}

DeviceDatabase &DeveloperSession::store()
{
    return database;
}

// Found devices are stored here, in this thread: the store's connection
// belongs to it. The adder only carries its copy and ends.
void DeveloperSession::onDeviceFound(const ArdentixDevice &device)
{
    database.updateDeviceOnDefaultDatabase(device);
    if (adders.size() >= MaxRunningAdders)
        return;
    auto *adder = new DeviceDatabaseAdder(device, false);
    adders.append(adder);
    connect(adder, &QThread::finished, this, [this, adder] {
        adders.removeOne(adder);
        delete adder;
    });
    adder->start(QThread::InheritPriority);
}

int DeveloperSession::runningAdders() const
{
    return int(adders.size());
}

bool DeveloperSession::readOnlineDevices()
{
    const bool read = database.readOnlineDevices(QStringList());
    if (!read)
        emit adapterMessage(QStringLiteral("Error reading database"));
    return read;
}

bool DeveloperSession::restartDevice(const QString &mac)
{
    if (!manager) {
        qDebug() << "No AXComm created";
        return false;
    }
    DeviceDatabase::ReadResult result = DeviceDatabase::DeviceNotFound;
    const ArdentixDevice device = database.readDeviceByMac(mac, &result);
    if (result != DeviceDatabase::DeviceFound) {
        emit commMessage(tr("Restart not sent: %1 is not in the device store").arg(mac));
        return false;
    }
    if (!manager->vekRestartDevice(device)) {
        emit commMessage(tr("Restart not sent: no adapter of the communications manager has seen %1").arg(mac));
        return false;
    }
    emit commMessage(QStringLiteral("Restarting Device: ") + mac);
    return true;
}
