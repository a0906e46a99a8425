// Devices arriving: duplicates, the start window, user-added placeholders and favourites.

#include "tst_devicedatabasesupport.h"

#include "testsandbox.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString macA = QStringLiteral("00:BB:00:00:00:0A");
const QString macB = QStringLiteral("00:BB:00:00:00:0B");
const QString ipX = QStringLiteral("192.168.1.20");

} // namespace

class TestDeviceDatabaseArrival : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void knownDeviceIsUpdatedInPlace();
    void secondDeviceOnAnAddressMarksBothDuplicates();
    void startWindowDecidesOnlineOrNew_data();
    void startWindowDecidesOnlineOrNew();
    void placeholderIsReplacedByTheDeviceThatAnswers_data();
    void placeholderIsReplacedByTheDeviceThatAnswers();
    void listedDeviceAnsweringTakesItsPlaceholder();
    void deviceWithoutAddressAnswersNoPlaceholder();
    void favouritesGoToTheFileAndLeaveWithIt();
    void fileRowOfAListedDeviceUpdatesIt();
    void userDevicesAreHandedOnEverySecond();

private:
    void arrive(const ArdentixDevice &device) { m_store->updateDeviceOnDefaultDatabase(device); }
    // What the main window does when the user adds an address.
    void addByAddress(const ArdentixDevice &placeholder)
    {
        m_store->updateDeviceOnDefaultDatabase(placeholder);
        m_store->updateDeviceOnFileDatabase(placeholder);
    }

    std::unique_ptr<TestSandbox> m_sandbox;
    TestClock m_clock;
    std::unique_ptr<DeviceDatabase> m_store;
    QStringList m_signals;
};

void TestDeviceDatabaseArrival::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
    m_clock.ms = testEpochMs;
    m_store = std::make_unique<DeviceDatabase>(nullptr, m_clock.function());
    m_clock.ms += 10000; // past the start window unless a test says otherwise
    m_signals.clear();
    connect(m_store.get(), &DeviceDatabase::removeDevice, this,
            [this](const QString &key) { m_signals << QStringLiteral("remove ") + key; });
    connect(m_store.get(), &DeviceDatabase::onlineDeviceUpdate, this,
            [this](const ArdentixDevice &d) { m_signals << QStringLiteral("listed ") + d.macAddress; });
    connect(m_store.get(), &DeviceDatabase::newDeviceAdded, this,
            [this](const ArdentixDevice &d) { m_signals << QStringLiteral("added ") + d.macAddress; });
}

void TestDeviceDatabaseArrival::cleanup()
{
    m_store.reset();
    m_sandbox.reset();
}

void TestDeviceDatabaseArrival::knownDeviceIsUpdatedInPlace()
{
    ArdentixDevice device = testDevice(macA, ipX, m_clock.ms);
    device.lastIpCommTime = m_clock.ms;
    arrive(device);
    QCOMPARE(m_signals, QStringList{QStringLiteral("added ") + macA});

    device.configTitle = QStringLiteral("Renamed");
    device.lastVekCommTime = 0;
    device.lastIpCommTime = 0;
    arrive(device);
    const ArdentixDevice back = m_store->readDeviceByMac(macA);
    QCOMPARE(back.configTitle, QStringLiteral("Renamed"));
    QCOMPARE(back.lastVekCommTime, quint64(m_clock.ms));
    QCOMPARE(back.lastIpCommTime, quint64(m_clock.ms));
    QVERIFY(!back.duplicateIpAddress);
    QCOMPARE(back.discoveryState, DISCOVERY_NEW);
    QCOMPARE(m_signals.size(), 1);
}

void TestDeviceDatabaseArrival::secondDeviceOnAnAddressMarksBothDuplicates()
{
    ArdentixDevice first = testDevice(macA, ipX, m_clock.ms);
    first.ipConnectivity = true;
    arrive(first);
    ArdentixDevice second = testDevice(macB, ipX, m_clock.ms);
    second.ipConnectivity = true;
    arrive(second);

    for (const QString &mac : {macA, macB}) {
        const ArdentixDevice back = m_store->readDeviceByMac(mac);
        QVERIFY2(back.duplicateIpAddress && !back.ipConnectivity, qPrintable(mac));
    }
    QCOMPARE(m_signals.count(), 2);
}

void TestDeviceDatabaseArrival::startWindowDecidesOnlineOrNew_data()
{
    QTest::addColumn<bool>("resumed");
    QTest::addColumn<qint64>("after");
    QTest::addColumn<bool>("userDevice");
    QTest::addColumn<int>("state");
    QTest::newRow("at 3000 ms") << false << qint64(3000) << false << int(DISCOVERY_ONLINE);
    QTest::newRow("at 3001 ms") << false << qint64(3001) << false << int(DISCOVERY_NEW);
    QTest::newRow("user device at 3001 ms") << false << qint64(3001) << true << int(DISCOVERY_OFFLINE);
    QTest::newRow("3000 ms after resuming") << true << qint64(3000) << false << int(DISCOVERY_ONLINE);
}

void TestDeviceDatabaseArrival::startWindowDecidesOnlineOrNew()
{
    QFETCH(bool, resumed);
    QFETCH(qint64, after);
    QFETCH(bool, userDevice);
    QFETCH(int, state);
    qint64 windowStart = testEpochMs;
    if (resumed) {
        m_store->setRemovalSuspension(false);
        windowStart = m_clock.ms;
    }
    m_clock.ms = windowStart + after;
    ArdentixDevice device = testDevice(macA, ipX, m_clock.ms);
    device.userDevice = userDevice;
    device.discoveryState = DISCOVERY_OFFLINE;
    arrive(device);
    const ArdentixDevice back = m_store->readDeviceByMac(macA);
    QCOMPARE(int(back.discoveryState), state);
    QCOMPARE(back.discoveryTime, quint64(m_clock.ms));
}

void TestDeviceDatabaseArrival::placeholderIsReplacedByTheDeviceThatAnswers_data()
{
    QTest::addColumn<bool>("favorite");
    QTest::newRow("favourite") << true;
    QTest::newRow("not favourite") << false;
}

void TestDeviceDatabaseArrival::placeholderIsReplacedByTheDeviceThatAnswers()
{
    QFETCH(bool, favorite);
    ArdentixDevice placeholder = testPlaceholder(ipX);
    placeholder.favorite = favorite;
    addByAddress(placeholder);
    const QString key = QStringLiteral("Pending (192.168.1.20)");
    QCOMPARE(placeholder.macAddress, key);
    m_signals.clear();

    arrive(testDevice(macA, ipX, m_clock.ms));
    QCOMPARE(m_signals, (QStringList{QStringLiteral("remove ") + key, QStringLiteral("listed ") + macA,
                                     QStringLiteral("added ") + macA}));
    const ArdentixDevice back = m_store->readDeviceByMac(macA);
    QVERIFY(back.userDevice);
    QCOMPARE(back.favorite, favorite);
    QVERIFY(!back.duplicateIpAddress);
    QCOMPARE(back.discoveryState, DISCOVERY_OFFLINE);
    QCOMPARE(back.lastVekCommTime, 0u);
    QCOMPARE(m_store->readDevicesByIp(ipX).size(), 1);
    QCOMPARE(DeviceFileProbe().macs(), QStringList{macA});

    // Its next answer brings it back as new, not as a duplicate of anything.
    m_clock.ms += 1000;
    arrive(testDevice(macA, ipX, m_clock.ms));
    m_store->databaseMaintenance();
    QCOMPARE(m_store->readDeviceByMac(macA).discoveryState, DISCOVERY_NEW);
    QVERIFY(!m_store->readDeviceByMac(macA).duplicateIpAddress);
}

void TestDeviceDatabaseArrival::listedDeviceAnsweringTakesItsPlaceholder()
{
    ArdentixDevice listed = testDevice(macA, ipX, m_clock.ms);
    listed.ipConnectivity = true;
    arrive(listed);
    addByAddress(testPlaceholder(ipX));
    const QString key = DeviceDatabase::placeholderKey(QHostAddress(ipX));
    QVERIFY(!m_store->readDeviceByMac(key).duplicateIpAddress);
    m_signals.clear();

    // The entry waited for this very device: it goes, and the device is the user's.
    arrive(listed);
    QCOMPARE(m_signals, QStringList{QStringLiteral("remove ") + key});
    const ArdentixDevice back = m_store->readDeviceByMac(macA);
    QVERIFY(!back.duplicateIpAddress);
    QVERIFY(back.ipConnectivity);
    QVERIFY(back.userDevice);
    QVERIFY(back.favorite);
    QCOMPARE(m_store->readDevicesByIp(ipX).size(), 1);
    QCOMPARE(DeviceFileProbe().macs(), QStringList{macA});
}

void TestDeviceDatabaseArrival::deviceWithoutAddressAnswersNoPlaceholder()
{
    arrive(testDevice(macA, QString(), m_clock.ms));
    QCOMPARE(m_signals, QStringList{QStringLiteral("added ") + macA});
    QVERIFY(!m_store->readDeviceByMac(macA).userDevice);
    QVERIFY(DeviceFileProbe().macs().isEmpty());
}

void TestDeviceDatabaseArrival::favouritesGoToTheFileAndLeaveWithIt()
{
    arrive(testDevice(macA, ipX, m_clock.ms));
    m_signals.clear();
    m_store->deviceFavoriteChanged(macA, true);
    QCOMPARE(m_signals, QStringList{QStringLiteral("listed ") + macA});
    {
        DeviceFileProbe file;
        QCOMPARE(columnOf(file.database(), macA, QStringLiteral("favorite")).toInt(), 1);
        QCOMPARE(columnOf(file.database(), macA, QStringLiteral("discovery_state")).toInt(), 3);
        QCOMPARE(columnOf(file.database(), macA, QStringLiteral("last_vek_comm_time")).toInt(), 0);
    }
    QVERIFY(m_store->readDeviceByMac(macA).favorite);

    m_store->deviceFavoriteChanged(macA, false);
    QVERIFY(DeviceFileProbe().macs().isEmpty());
    QVERIFY(m_store->readDevicesByIp(ipX).isEmpty());
    m_signals.clear();
    arrive(testDevice(macA, ipX, m_clock.ms));
    QCOMPARE(m_signals, QStringList{QStringLiteral("added ") + macA});
    QCOMPARE(m_store->readDeviceByMac(macA).discoveryState, DISCOVERY_NEW);

    QTest::ignoreMessage(QtCriticalMsg, "deviceFavoriteChanged: Device update failed");
    m_store->deviceFavoriteChanged(macB, true);
    QVERIFY(DeviceFileProbe().macs().isEmpty());
}

void TestDeviceDatabaseArrival::fileRowOfAListedDeviceUpdatesIt()
{
    arrive(testDevice(macA, ipX, m_clock.ms));
    m_store->deviceFavoriteChanged(macA, true);
    QVERIFY(DeviceFileProbe().exec(QStringLiteral("UPDATE devices SET config_title = 'From file'")));
    m_signals.clear();
    m_store->loadFileDatabase();
    QCOMPARE(m_signals, QStringList{QStringLiteral("listed ") + macA});
    QCOMPARE(m_store->readDeviceByMac(macA).configTitle, QStringLiteral("From file"));
}

void TestDeviceDatabaseArrival::userDevicesAreHandedOnEverySecond()
{
    addByAddress(testPlaceholder(ipX));
    arrive(testDevice(macB, QStringLiteral("192.168.1.21"), m_clock.ms));
    QSignalSpy requests(m_store.get(), &DeviceDatabase::userDeviceUpdateRequest);
    m_store->readUserDevices();
    QCOMPARE(requests.count(), 1);
    QVERIFY(requests.at(0).at(0).value<ArdentixDevice>().userDevice);
}

QTEST_GUILESS_MAIN(TestDeviceDatabaseArrival)
#include "tst_devicedatabasearrival.moc"
