#include "axcomm.h"

#include "comm/link/adapter.h"
#include "comm/vek/vekcomm.h"

#include "model/axsignalobject.h"

#include <QDateTime>
#include <QDebug>

namespace {

bool isInSubnet(const QHostAddress &address, const Adapter &adapter)
{
    return ((address.toIPv4Address() ^ adapter.ipv4()) & adapter.netmask()) == 0;
}

} // namespace

AxComm::AxComm(QObject *parent, AxSignalObject *upstream)
    : QObject(parent)
    , bus(new AxSignalObject(upstream))
    , adapters(new AdapterList(this))
{
    connect(&pingTimer, &QTimer::timeout, this, &AxComm::vekPing);
    setUpRouting();
}

// The VEK endpoints have no parent: they go first, while their adapters
// still exist; the bus relay goes with this object rather than its upstream.
AxComm::~AxComm()
{
    qDebug() << "Deleting AxComm";
    for (VekComm *&vek : vekComm) {
        delete vek;
        vek = nullptr;
    }
    delete bus.data();
}

const AdapterList *AxComm::adapterList() const
{
    return adapters;
}

void AxComm::startListening(const QHostAddress &address)
{
    const bool everyAdapter = address == QHostAddress(QStringLiteral("255.255.255.255"));
    for (int i = 0; i < adapters->count(); ++i) {
        Adapter *adapter = adapters->adapter(static_cast<quint8>(i));
        vekComm[i] = new VekComm(this, bus, adapter, address);
        if (!everyAdapter) {
            const quint32 adapterIp = adapter->ipv4();
            if ((address.toIPv4Address() & adapterIp) != adapterIp)
                continue;
            qDebug() << "Start listening on adapter with IP: " << adapter->ipString();
        }
        connect(vekComm[i], &VekComm::vekIamReceived, this, &AxComm::vekDeviceFound);
        connectRouting(vekComm[i]);
        if (bus)
            connect(vekComm[i], &VekComm::vekAdvancedNetwork_support, bus,
                    &AxSignalObject::_slot_up_vek_advanced_network_support);
        vekComm[i]->startListening();
    }
}

void AxComm::startVekPing(int interval)
{
    pingTimer.start(interval == 0 ? 1000 : interval);
    vekPing();
}

void AxComm::stopVekPing()
{
    pingTimer.stop();
}

void AxComm::startDirectedPing(int interval, const QHostAddress &target)
{
    directedPingTarget = target;
    connect(&directedPingTimer, &QTimer::timeout, this, &AxComm::vekDirectedPing, Qt::UniqueConnection);
    directedPingTimer.start(interval == 0 ? 1000 : interval);
    vekDirectedPing();
}

void AxComm::stopDirectedPing()
{
    directedPingTimer.stop();
}

void AxComm::vekPing()
{
    for (int i = 0; i < adapters->count(); ++i) {
        if (!vekComm[i])
            continue;
        vekComm[i]->vekPingBroadcast();
        vekComm[i]->requestAdvancedNetworkSupport();
    }
}

void AxComm::vekDirectedPing()
{
    if (directedPingTarget.isNull())
        return;
    for (int i = 0; i < adapters->count(); ++i) {
        if (vekComm[i])
            vekComm[i]->vekPing(directedPingTarget);
    }
}

void AxComm::deviceLost(ArdentixDevice device)
{
    for (int i = 0; i < adapters->count(); ++i)
        adapters->adapter(static_cast<quint8>(i))->removeDevice(device.macAddress);
}

void AxComm::vekDeviceFound(ArdentixDevice device)
{
    device.vekConnectivity = true;
    device.lastVekCommTime = static_cast<quint64>(QDateTime::currentMSecsSinceEpoch());
    device.ipConnectivity = isDeviceOnAdapterSubnet(device);
    emit deviceFound(device);
}

// A device is reachable over IP when its address lies in the subnet of an
// adapter that saw it.
bool AxComm::isDeviceOnAdapterSubnet(const ArdentixDevice &device)
{
    for (int i = 0; i < adapters->count(); ++i) {
        Adapter *adapter = adapters->adapter(static_cast<quint8>(i));
        if (adapter->macString() == device.localAdapterMac) {
            adapter->addDevice(device.macAddress);
            if (isInSubnet(device.ipAddress, *adapter))
                return true;
        }
        if (adapter->hasDevice(device.macAddress) && isInSubnet(device.ipAddress, *adapter))
            return true;
    }
    return false;
}
