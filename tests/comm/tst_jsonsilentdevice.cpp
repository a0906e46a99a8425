#include "cannedhttpserver.h"
#include "comm/json/jsoncomm.h"
#include "model/axmetatypes.h"
#include "model/axsignalobject.h"
#include "model/devicedatabase.h"
#include "testsandbox.h"

#include <QSignalSpy>
#include <QtTest>

// A switched-off device is probed in vain: the client's reports say nobody
// answered, the store does not count them as traffic, and the device ages
// to lost and offline as any silent device does.
class TestJsonSilentDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void silentDeviceGoesLostAndOffline();
};

void TestJsonSilentDevice::initTestCase()
{
    qputenv("AX_CLOUD_HOST", "127.0.0.1:9");
    registerAxMetaTypes();
}

void TestJsonSilentDevice::silentDeviceGoesLostAndOffline()
{
    TestSandbox sandbox;
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    DeviceDatabase store(nullptr, [&now] { return now; });
    store.setTimeouts(20000, 5000, 1000);

    AxSignalObject root;
    connect(&root, &AxSignalObject::_signal_up_json_support, &store, &DeviceDatabase::updateJsonSupported);
    connect(&root, &AxSignalObject::_signal_up_axgui_support, &store, &DeviceDatabase::updateAxguiSupported);
    connect(&root, &AxSignalObject::_signal_up_diag_support, &store, &DeviceDatabase::updateDiagSupported);
    connect(&root, &AxSignalObject::_signal_up_security_status, &store, &DeviceDatabase::updateSecurityStatus);
    JsonComm client(nullptr, &root);

    // Nothing listens at the device's address: every request is refused.
    ArdentixDevice device;
    device.ipAddress = CannedHttpServer::privateLoopback();
    device.setMacString(QStringLiteral("02:A0:00:00:00:01"));
    device.vekConnectivity = true;
    device.ipConnectivity = true;
    device.secureGwSupport = true;
    device.lastVekCommTime = quint64(now);
    device.discoveryTime = quint64(now);
    QSignalSpy lost(&store, &DeviceDatabase::deviceLost);
    QSignalSpy offline(&store, &DeviceDatabase::deviceOffline);
    store.updateDeviceOnDefaultDatabase(device);
    now += 2000;
    store.databaseMaintenance(); // new, then online

    now += 4000;
    QSignalSpy security(&root, &AxSignalObject::_signal_up_security_status);
    QSignalSpy diag(&root, &AxSignalObject::_signal_up_diag_support);
    client.CheckAxguiSupport(device);
    QTRY_VERIFY(security.count() == 1 && diag.count() == 1);
    QCOMPARE(security.at(0).at(2).toBool(), false);
    QCOMPARE(diag.at(0).at(2).toBool(), false);

    store.databaseMaintenance();
    QCOMPARE(lost.count(), 1);
    now += 21000;
    store.databaseMaintenance();
    QCOMPARE(offline.count(), 1);
    QCOMPARE(offline.at(0).at(0).value<ArdentixDevice>().macAddress, device.macAddress);
}

QTEST_GUILESS_MAIN(TestJsonSilentDevice)
#include "tst_jsonsilentdevice.moc"
