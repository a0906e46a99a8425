// The maintenance pass: new, online, lost and offline at and around each threshold.

#include "tst_devicedatabasesupport.h"

#include "testsandbox.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString mac = QStringLiteral("00:AA:00:00:00:01");
const QString ip = QStringLiteral("10.1.0.1");

} // namespace

class TestDeviceDatabaseLifeCycle : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void onlineGoesLostPastTheLostTimeout_data();
    void onlineGoesLostPastTheLostTimeout();
    void lostComesBackWithinTheLostTimeout_data();
    void lostComesBackWithinTheLostTimeout();
    void lostGoesOfflinePastTheOfflinePeriod_data();
    void lostGoesOfflinePastTheOfflinePeriod();
    void offlineFavouriteComesBackAsNewThenOnline();
    void shortOfflinePeriodSetsOnlineThenOfflineInOnePass();
    void rowWithoutTrafficGoesOfflineSilently();
    void oddRowsAreWrittenBackSound();
    void switchedOffDeviceGoesOfflineDespiteFailedProbes();
    void oneChangeAmongManyRowsLeavesTheOthers();
    void reprobeAndOwnTimerCoverEveryRow();

private:
    // Stores one row as it would stand after earlier passes.
    void storeRow(DISCOVERY_STATE state, qint64 vekAgeMs, qint64 ipAgeMs, bool favorite = false);
    DISCOVERY_STATE stateOfRow() const;
    bool rowExists() const;

    std::unique_ptr<TestSandbox> m_sandbox;
    TestClock m_clock;
    std::unique_ptr<DeviceDatabase> m_store;
    std::unique_ptr<QSignalSpy> m_lost;
    std::unique_ptr<QSignalSpy> m_offline;
    std::unique_ptr<QSignalSpy> m_recheck;
};

void TestDeviceDatabaseLifeCycle::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
    m_clock.ms = testEpochMs;
    m_store = std::make_unique<DeviceDatabase>(nullptr, m_clock.function());
    // The profile's defaults: offline after 30 s, lost after 6 s, new for 20 s.
    m_store->setTimeouts(30000, 6000, 20000);
    m_lost = std::make_unique<QSignalSpy>(m_store.get(), &DeviceDatabase::deviceLost);
    m_offline = std::make_unique<QSignalSpy>(m_store.get(), &DeviceDatabase::deviceOffline);
    m_recheck = std::make_unique<QSignalSpy>(m_store.get(), &DeviceDatabase::forceCheckAxguiSupport);
}

void TestDeviceDatabaseLifeCycle::cleanup()
{
    m_lost.reset();
    m_offline.reset();
    m_recheck.reset();
    m_store.reset();
    m_sandbox.reset();
}

void TestDeviceDatabaseLifeCycle::storeRow(DISCOVERY_STATE state, qint64 vekAgeMs,
                                           qint64 ipAgeMs, bool favorite)
{
    ArdentixDevice device = testDevice(mac, ip, vekAgeMs < 0 ? 0 : m_clock.ms - vekAgeMs);
    device.lastIpCommTime = ipAgeMs < 0 ? 0 : m_clock.ms - ipAgeMs;
    device.ipConnectivity = true;
    device.discoveryState = state;
    device.discoveryTime = m_clock.ms - 60000;
    device.favorite = favorite;
    m_store->addNewDevice(device);
}

DISCOVERY_STATE TestDeviceDatabaseLifeCycle::stateOfRow() const
{
    return m_store->readDeviceByMac(mac).discoveryState;
}

bool TestDeviceDatabaseLifeCycle::rowExists() const
{
    DeviceDatabase::ReadResult result = DeviceDatabase::ReadFailed;
    m_store->readDeviceByMac(mac, &result);
    return result == DeviceDatabase::DeviceFound;
}

void TestDeviceDatabaseLifeCycle::onlineGoesLostPastTheLostTimeout_data()
{
    QTest::addColumn<qint64>("vekAge");
    QTest::addColumn<qint64>("ipAge");
    QTest::addColumn<bool>("lost");
    QTest::newRow("VEK exactly at the timeout") << qint64(6000) << qint64(-1) << false;
    QTest::newRow("VEK 1 ms past") << qint64(6001) << qint64(-1) << true;
    QTest::newRow("IP exactly at the timeout") << qint64(9000) << qint64(6000) << false;
    QTest::newRow("both 1 ms past") << qint64(6001) << qint64(6001) << true;
    QTest::newRow("IP recent") << qint64(50000) << qint64(100) << false;
}

void TestDeviceDatabaseLifeCycle::onlineGoesLostPastTheLostTimeout()
{
    QFETCH(qint64, vekAge);
    QFETCH(qint64, ipAge);
    QFETCH(bool, lost);
    storeRow(DISCOVERY_ONLINE, vekAge, ipAge);
    m_store->databaseMaintenance();

    QCOMPARE(stateOfRow(), lost ? DISCOVERY_LOST : DISCOVERY_ONLINE);
    QCOMPARE(m_lost->count(), lost ? 1 : 0);
    if (lost) {
        const ArdentixDevice reported = m_lost->at(0).at(0).value<ArdentixDevice>();
        QCOMPARE(reported.discoveryState, DISCOVERY_LOST);
        QVERIFY(!reported.ipConnectivity && !reported.vekConnectivity);
        QVERIFY(!m_store->readDeviceByMac(mac).ipConnectivity);
    }
    QCOMPARE(m_recheck->count() + m_offline->count(), 0);
}

void TestDeviceDatabaseLifeCycle::lostComesBackWithinTheLostTimeout_data()
{
    QTest::addColumn<qint64>("age");
    QTest::addColumn<bool>("back");
    QTest::newRow("exactly at the timeout") << qint64(6000) << false;
    QTest::newRow("1 ms within") << qint64(5999) << true;
}

void TestDeviceDatabaseLifeCycle::lostComesBackWithinTheLostTimeout()
{
    QFETCH(qint64, age);
    QFETCH(bool, back);
    storeRow(DISCOVERY_LOST, 20000, age);
    m_store->databaseMaintenance();
    QCOMPARE(stateOfRow(), back ? DISCOVERY_ONLINE : DISCOVERY_LOST);
    QCOMPARE(m_recheck->count(), back ? 1 : 0);
    QCOMPARE(m_offline->count(), 0);
}

void TestDeviceDatabaseLifeCycle::lostGoesOfflinePastTheOfflinePeriod_data()
{
    QTest::addColumn<qint64>("age");
    QTest::addColumn<bool>("favorite");
    QTest::addColumn<bool>("suspended");
    QTest::addColumn<bool>("offline");
    QTest::addColumn<bool>("kept");
    QTest::newRow("exactly at the period") << qint64(30000) << false << false << false << true;
    QTest::newRow("1 ms past: dropped") << qint64(30001) << false << false << true << false;
    QTest::newRow("favourite kept") << qint64(30001) << true << false << true << true;
    QTest::newRow("removals suspended") << qint64(30001) << false << true << true << true;
}

void TestDeviceDatabaseLifeCycle::lostGoesOfflinePastTheOfflinePeriod()
{
    QFETCH(qint64, age);
    QFETCH(bool, favorite);
    QFETCH(bool, suspended);
    QFETCH(bool, offline);
    QFETCH(bool, kept);
    m_store->setRemovalSuspension(suspended);
    storeRow(DISCOVERY_LOST, age, age, favorite);
    m_store->databaseMaintenance();

    QCOMPARE(m_offline->count(), offline ? 1 : 0);
    if (offline)
        QCOMPARE(m_offline->at(0).at(0).value<ArdentixDevice>().discoveryState, DISCOVERY_OFFLINE);
    QCOMPARE(rowExists(), kept);
    if (kept)
        QCOMPARE(stateOfRow(), offline ? DISCOVERY_OFFLINE : DISCOVERY_LOST);
}

void TestDeviceDatabaseLifeCycle::offlineFavouriteComesBackAsNewThenOnline()
{
    storeRow(DISCOVERY_OFFLINE, 40000, 40000, true);
    m_store->databaseMaintenance();
    QCOMPARE(stateOfRow(), DISCOVERY_OFFLINE);
    QCOMPARE(m_recheck->count(), 0);

    m_clock.ms += 500;
    m_store->updateJsonSupported(ip, true, false);
    m_store->databaseMaintenance();
    const ArdentixDevice back = m_store->readDeviceByMac(mac);
    QCOMPARE(back.discoveryState, DISCOVERY_NEW);
    QCOMPARE(back.discoveryTime, quint64(m_clock.ms));
    QCOMPARE(m_recheck->count(), 1);

    // New for exactly the new period, online 1 ms later, with or without traffic.
    m_clock.ms += 20000;
    m_store->databaseMaintenance();
    QCOMPARE(stateOfRow(), DISCOVERY_NEW);
    m_clock.ms += 1;
    m_store->databaseMaintenance();
    QCOMPARE(stateOfRow(), DISCOVERY_ONLINE);
    QCOMPARE(m_recheck->count() + m_lost->count() + m_offline->count(), 1);
}

void TestDeviceDatabaseLifeCycle::shortOfflinePeriodSetsOnlineThenOfflineInOnePass()
{
    m_store->setTimeouts(3000, 6000, 20000);
    storeRow(DISCOVERY_LOST, 4000, 4000);
    m_store->databaseMaintenance();
    QCOMPARE(m_recheck->count(), 1);
    QCOMPARE(m_recheck->at(0).at(0).value<ArdentixDevice>().discoveryState, DISCOVERY_ONLINE);
    QCOMPARE(m_offline->count(), 1);
    QVERIFY(!rowExists());
}

void TestDeviceDatabaseLifeCycle::rowWithoutTrafficGoesOfflineSilently()
{
    storeRow(DISCOVERY_ONLINE, -1, -1, true);
    QVERIFY(QSqlQuery(liveDatabaseOf()).exec(QStringLiteral("UPDATE devices SET json_support = 1")));
    m_store->databaseMaintenance();
    const ArdentixDevice back = m_store->readDeviceByMac(mac);
    QCOMPARE(back.discoveryState, DISCOVERY_OFFLINE);
    QVERIFY(!back.ipConnectivity && !back.vekConnectivity && !back.jsonSupport);
    QCOMPARE(m_lost->count() + m_offline->count() + m_recheck->count(), 0);

    m_store->deviceFavoriteChanged(mac, false); // also leaves the live list
    storeRow(DISCOVERY_ONLINE, -1, -1, false);
    m_store->setRemovalSuspension(true);
    m_store->databaseMaintenance();
    QCOMPARE(stateOfRow(), DISCOVERY_OFFLINE);
    // Resuming removals drops it at the next pass although nothing about it changed.
    m_store->setRemovalSuspension(false);
    m_store->databaseMaintenance();
    QVERIFY(!rowExists());
}

void TestDeviceDatabaseLifeCycle::oddRowsAreWrittenBackSound()
{
    storeRow(DISCOVERY_ONLINE, 100, 100);
    QVERIFY(QSqlQuery(liveDatabaseOf()).exec(QStringLiteral("UPDATE devices SET discovery_state = 7")));
    // A state out of range reads as offline, with a warning; heard lately, the device comes back as new.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("discovery_state 7 out of range"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("discovery_state 7 out of range"));
    m_store->databaseMaintenance();
    QCOMPARE(stateOfRow(), DISCOVERY_NEW);

    // A duplicate address is never stored as reachable, whatever reported it.
    ArdentixDevice duplicate = testDevice(QStringLiteral("00:AA:00:00:00:02"),
                                          QStringLiteral("10.1.0.2"), m_clock.ms);
    duplicate.duplicateIpAddress = true;
    duplicate.discoveryState = DISCOVERY_ONLINE;
    m_store->addNewDevice(duplicate);
    m_store->updateDeviceIpConnectivity(QStringLiteral("10.1.0.2"), true);
    QVERIFY(columnOf(liveDatabaseOf(), duplicate.macAddress, QStringLiteral("ip_connectivity")).toBool());
    m_store->databaseMaintenance();
    QVERIFY(!columnOf(liveDatabaseOf(), duplicate.macAddress, QStringLiteral("ip_connectivity")).toBool());
}

void TestDeviceDatabaseLifeCycle::switchedOffDeviceGoesOfflineDespiteFailedProbes()
{
    storeRow(DISCOVERY_ONLINE, 0, 0);
    // The probes keep timing out once a second; none of that is traffic from the device.
    for (int second = 1; second <= 40 && rowExists(); ++second) {
        m_clock.ms += 1000;
        m_store->updateAxguiSupported(ip, false, false);
        m_store->updateDiagSupported(ip, false, false);
        m_store->updateSecurityStatus(ip, SECURITY_DISABLED, false);
        m_store->updateJsonSupported(ip, false, false);
        m_store->databaseMaintenance();
    }
    QCOMPARE(m_lost->count(), 1);
    QCOMPARE(m_offline->count(), 1);
    QVERIFY(!rowExists());
}

void TestDeviceDatabaseLifeCycle::oneChangeAmongManyRowsLeavesTheOthers()
{
    // The pass reads single rows when few change and scans the table when many do.
    for (const int silent : {1, 55}) {
        QVERIFY(QSqlQuery(liveDatabaseOf()).exec(QStringLiteral("DELETE FROM devices")));
        m_lost->clear();
        for (int number = 0; number < 60; ++number) {
            const QString suffix = QString::number(number).rightJustified(2, QLatin1Char('0'));
            ArdentixDevice device = testDevice(QStringLiteral("00:AA:00:00:01:") + suffix,
                                               QStringLiteral("10.1.1.%1").arg(number),
                                               m_clock.ms - (number < silent ? 7000 : 10));
            device.discoveryState = DISCOVERY_ONLINE;
            m_store->addNewDevice(device);
        }
        m_store->databaseMaintenance();
        QCOMPARE(m_lost->count(), silent);
        QCOMPARE(m_store->readDeviceByMac(QStringLiteral("00:AA:00:00:01:00")).discoveryState,
                 DISCOVERY_LOST);
        QCOMPARE(m_store->readDeviceByMac(QStringLiteral("00:AA:00:00:01:59")).discoveryState,
                 DISCOVERY_ONLINE);
    }
}

void TestDeviceDatabaseLifeCycle::reprobeAndOwnTimerCoverEveryRow()
{
    storeRow(DISCOVERY_OFFLINE, 50000, 50000, true);
    m_store->addNewDevice(testDevice(QStringLiteral("00:AA:00:00:00:03"), QStringLiteral("10.1.0.3")));
    m_store->addNewDevice(testDevice(QStringLiteral("00:AA:00:00:00:04"), QStringLiteral("10.1.0.4")));
    m_store->checkAxguiSupport();
    QCOMPARE(m_recheck->count(), 3);

    // New rows discovered long ago go online in the pass the timer runs at once.
    m_store->startMaintenanceTimer();
    QCOMPARE(m_store->readDeviceByMac(QStringLiteral("00:AA:00:00:00:03")).discoveryState,
             DISCOVERY_ONLINE);
    const QTimer *timer = m_store->findChild<QTimer *>();
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 1500);
}

QTEST_GUILESS_MAIN(TestDeviceDatabaseLifeCycle)
#include "tst_devicedatabaselifecycle.moc"
