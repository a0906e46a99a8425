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
    void silentDeviceGoesLostAndOffline_data();
    void silentDeviceGoesLostAndOffline();

private:
    enum Silence { Refused, FallsSilent, AnsweredElsewhere };
};

void TestJsonSilentDevice::initTestCase()
{
    qputenv("AX_CLOUD_HOST", "127.0.0.1:9");
    registerAxMetaTypes();
}

void TestJsonSilentDevice::silentDeviceGoesLostAndOffline_data()
{
    QTest::addColumn<int>("silence");
    QTest::newRow("refused") << int(Refused);
    QTest::newRow("falls silent during the probe") << int(FallsSilent);
    QTest::newRow("another host answers after it fell silent") << int(AnsweredElsewhere);
}

void TestJsonSilentDevice::silentDeviceGoesLostAndOffline()
{
    QFETCH(int, silence);
    const QByteArray securityPage = "/appHost/webServerSecurityConfigured";
    CannedHttpServer deviceSide;
    CannedHttpServer elsewhere;
    if (silence != Refused) {
        if (!deviceSide.listen(CannedHttpServer::privateLoopback(), 80))
            QSKIP("the device's port 80 needs root");
        // The status request still gets its answer; what follows it does not.
        deviceSide.setAnswer("/json-rpc.jsn", {200, "{}", {}, 0});
        deviceSide.setAnswer(securityPage, {200, {}, {}, -1});
        deviceSide.setAnswer("/diagnosticComponent/ui/", {200, {}, {}, -1});
    }
    if (silence == AnsweredElsewhere) {
        // The device's last answer sends the client to a host that fails a moment later.
        QVERIFY(elsewhere.listen());
        elsewhere.setAnswer(securityPage, {502, "no gateway", {}, 300});
        deviceSide.setAnswer(securityPage, {302, {}, "Location: " + elsewhere.url(securityPage).toLatin1() + "\r\n", 0});
    }

    TestSandbox sandbox;
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    DeviceDatabase store(nullptr, [&now] { return now; });
    store.setTimeouts(20000, 5000, 1000);

    AxSignalObject root;
    connect(&root, &AxSignalObject::_signal_up_json_support, &store, &DeviceDatabase::updateJsonSupported);
    connect(&root, &AxSignalObject::_signal_up_axgui_support, &store, &DeviceDatabase::updateAxguiSupported);
    connect(&root, &AxSignalObject::_signal_up_diag_support, &store, &DeviceDatabase::updateDiagSupported);
    connect(&root, &AxSignalObject::_signal_up_security_status, &store, &DeviceDatabase::updateSecurityStatus);
    JsonComm client(nullptr, &root, 1500);

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
    QSignalSpy axgui(&root, &AxSignalObject::_signal_up_axgui_support);
    client.CheckAxguiSupport(device);
    if (silence == AnsweredElsewhere) {
        QTRY_COMPARE(axgui.count(), 1); // the redirect, the device's own last answer
        now += 6000;
    }
    // A refused diagnostics page is reported, an unanswered one is not.
    QTRY_VERIFY(security.count() == 1 && diag.count() == (silence == Refused ? 1 : 0));
    QCOMPARE(security.at(0).at(2).toBool(), false);

    store.databaseMaintenance();
    QCOMPARE(lost.count(), 1);
    now += 21000;
    store.databaseMaintenance();
    QCOMPARE(offline.count(), 1);
    QCOMPARE(offline.at(0).at(0).value<ArdentixDevice>().macAddress, device.macAddress);
}

QTEST_GUILESS_MAIN(TestJsonSilentDevice)
#include "tst_jsonsilentdevice.moc"
