// The device file "./axdevices.db": restarts, earlier versions, and files that cannot be used.

#include "tst_devicedatabasesupport.h"

#include "testsandbox.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString macA = QStringLiteral("00:CC:00:00:00:0A");
const QString macB = QStringLiteral("00:CC:00:00:00:0B");
const QString macC = QStringLiteral("00:CC:00:00:00:0C");

QByteArray fileBytes()
{
    QFile file(QStringLiteral("axdevices.db"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestDeviceDatabaseFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstRunCreatesTheFileTable();
    void favouritesAndUserDevicesSurviveARestart();
    void rememberedDeviceTakesItsDisplayMacWhenItAnswers();
    void rememberedDeviceHeardAtStartIsOnlineNotNew();
    void fileOfAnEarlierVersionOpensAndTakesWrites();
    void damagedFileLeavesTheLiveListWorking();
    void outOfRangeStatesReadAsDefinedOnes();
    void unwritableFileReportsEveryLostWrite();
    void lockedFileIsReportedAndUsedOnceFree();
    void failedWriteKeepsThePlaceholderInTheFile();

private:
    std::unique_ptr<DeviceDatabase> newStore()
    {
        return std::make_unique<DeviceDatabase>(nullptr, m_clock.function());
    }
    // The live list must keep working whatever the file does.
    void verifyLiveListWorks(DeviceDatabase *store);

    std::unique_ptr<TestSandbox> m_sandbox;
    TestClock m_clock;
};

void TestDeviceDatabaseFile::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
    m_clock.ms = testEpochMs;
}

void TestDeviceDatabaseFile::cleanup()
{
    m_sandbox.reset();
}

void TestDeviceDatabaseFile::verifyLiveListWorks(DeviceDatabase *store)
{
    QSignalSpy added(store, &DeviceDatabase::newDeviceAdded);
    QSignalSpy listed(store, &DeviceDatabase::onlineDeviceUpdate);
    store->updateDeviceOnDefaultDatabase(testDevice(QStringLiteral("00:CC:00:00:00:99"),
                                                    QStringLiteral("10.2.0.99"), m_clock.ms));
    QCOMPARE(added.count(), 1);
    QVERIFY(store->readOnlineDevices());
    QVERIFY(listed.count() >= 1);
}

void TestDeviceDatabaseFile::firstRunCreatesTheFileTable()
{
    std::unique_ptr<DeviceDatabase> store;
    {
        LoggedMessages log;
        store = newStore();
        QCOMPARE(log.all(QtDebugMsg).mid(0, 4).join('|'),
                 QStringLiteral("DB opened|Table created|Connection ID:  \"%1\"|DB opened")
                     .arg(log.all(QtDebugMsg).value(2).section('"', 1, 1)));
        QCOMPARE(log.count(QtDebugMsg, QStringLiteral("Table created")), 1);
    }
    DeviceFileProbe file;
    QSqlQuery columns(QStringLiteral("PRAGMA table_info(devices)"), file.database());
    QStringList names;
    QStringList types;
    while (columns.next()) {
        names << columns.value(1).toString();
        types << columns.value(2).toString();
    }
    QCOMPARE(names.size(), 29);
    QCOMPARE(names.mid(23), (QStringList{"duplicate_ip_address", "firmware_file_name",
                                        "secure_gw_support", "diag_support", "security_status",
                                        "platform_code"}));
    QCOMPARE(types.at(names.indexOf("device_platform")), QStringLiteral("VARCHAR (41)"));
    QCOMPARE(types.at(names.indexOf("last_ip_comm_time")), QStringLiteral("UNSIGNED BIG INT"));
}

void TestDeviceDatabaseFile::favouritesAndUserDevicesSurviveARestart()
{
    ArdentixDevice favourite = testDevice(macA, QStringLiteral("10.2.0.1"), m_clock.ms);
    favourite.configTitle = QStringLiteral("Boiler 'B' 100%");
    favourite.devicePlatform = QString();
    favourite.firmwareVersion = QStringLiteral("Ver6.21");
    favourite.platformCode = 351;
    favourite.nicCount = 2;
    favourite.secureGwSupport = true;
    favourite.deviceStatus = 0x21;
    QList<ArdentixDevice> stored;
    {
        auto store = newStore();
        QSignalSpy listed(store.get(), &DeviceDatabase::onlineDeviceUpdate);
        store->updateDeviceOnDefaultDatabase(favourite);
        store->deviceFavoriteChanged(macA, true);
        const ArdentixDevice pending = testPlaceholder(QStringLiteral("10.2.0.2"));
        store->updateDeviceOnDefaultDatabase(pending);
        store->updateDeviceOnFileDatabase(pending);
        const ArdentixDevice placeholder = testPlaceholder(QStringLiteral("10.2.0.3"));
        store->updateDeviceOnDefaultDatabase(placeholder);
        store->updateDeviceOnFileDatabase(placeholder);
        store->updateDeviceOnDefaultDatabase(testDevice(macC, QStringLiteral("10.2.0.3"), m_clock.ms));
        for (const QList<QVariant> &arguments : listed) {
            const ArdentixDevice written = arguments.at(0).value<ArdentixDevice>();
            if (written.macAddress != placeholder.macAddress)
                stored << written;
        }
        QCOMPARE(stored.size(), 3); // the favourite, the pending address, the answered one
    }

    auto store = newStore();
    QSignalSpy loaded(store.get(), &DeviceDatabase::onlineDeviceUpdate);
    store->loadFileDatabase();
    QCOMPARE(loaded.count(), stored.size());
    for (const ArdentixDevice &before : std::as_const(stored)) {
        DeviceDatabase::ReadResult result = DeviceDatabase::ReadFailed;
        const ArdentixDevice after = store->readDeviceByMac(before.macAddress, &result);
        QCOMPARE(result, DeviceDatabase::DeviceFound);
        QCOMPARE(after.ipAddress, before.ipAddress);
        QCOMPARE(after.configTitle, before.configTitle);
        QCOMPARE(after.devicePlatform.isNull(), before.devicePlatform.isNull());
        QCOMPARE(after.firmwareVersion, before.firmwareVersion);
        QCOMPARE(after.favorite, before.favorite);
        QCOMPARE(after.userDevice, before.userDevice);
        QCOMPARE(after.platformCode, before.platformCode);
        QCOMPARE(after.nicCount, before.nicCount);
        QCOMPARE(after.secureGwSupport, before.secureGwSupport);
        QCOMPARE(after.deviceStatus, before.deviceStatus);
    }
    QVERIFY(store->readDeviceByMac(macC).userDevice && store->readDeviceByMac(macC).favorite);
}

// The file keeps no display MAC; the device's own answers must fill it in,
// while the file itself, which has no such column, still takes the update.
void TestDeviceDatabaseFile::rememberedDeviceTakesItsDisplayMacWhenItAnswers()
{
    ArdentixDevice favourite = testDevice(macA, QStringLiteral("10.2.0.1"), m_clock.ms);
    favourite.setDisplayMacString(QStringLiteral("00:AA:BB:CC:DD:01"));
    {
        auto store = newStore();
        store->updateDeviceOnDefaultDatabase(favourite);
        store->deviceFavoriteChanged(macA, true);
    }

    auto store = newStore();
    store->loadFileDatabase();
    QVERIFY(store->readDeviceByMac(macA).displayMacAddress.isEmpty());

    m_clock.ms += 1000;
    favourite.lastVekCommTime = m_clock.ms;
    store->updateDeviceOnDefaultDatabase(favourite);
    QCOMPARE(store->readDeviceByMac(macA).displayMacAddress, QStringLiteral("00:AA:BB:CC:DD:01"));

    // A report without one leaves it as it is.
    ArdentixDevice withoutDisplay = favourite;
    withoutDisplay.setDisplayMacString(QString());
    store->updateDeviceOnDefaultDatabase(withoutDisplay);
    QCOMPARE(store->readDeviceByMac(macA).displayMacAddress, QStringLiteral("00:AA:BB:CC:DD:01"));

    LoggedMessages log;
    QSignalSpy failed(store.get(), &DeviceDatabase::fileDatabaseWriteFailed);
    store->updateDeviceOnFileDatabase(favourite);
    QCOMPARE(failed.count(), 0);
}

void TestDeviceDatabaseFile::rememberedDeviceHeardAtStartIsOnlineNotNew()
{
    ArdentixDevice early = testDevice(macA, QStringLiteral("10.2.0.1"), m_clock.ms);
    ArdentixDevice late = testDevice(macB, QStringLiteral("10.2.0.2"), m_clock.ms);
    {
        auto store = newStore();
        for (const ArdentixDevice &favourite : {early, late}) {
            store->updateDeviceOnDefaultDatabase(favourite);
            store->deviceFavoriteChanged(favourite.macAddress, true);
        }
    }

    const qint64 start = m_clock.ms;
    auto store = newStore();
    store->loadFileDatabase();
    QSignalSpy probed(store.get(), &DeviceDatabase::forceCheckAxguiSupport);
    m_clock.ms = start + 2000;
    early.lastVekCommTime = quint64(m_clock.ms);
    store->updateDeviceOnDefaultDatabase(early);
    QCOMPARE(probed.count(), 1);
    m_clock.ms = start + 4000;
    store->databaseMaintenance();
    QCOMPARE(store->readDeviceByMac(macA).discoveryState, DISCOVERY_ONLINE);

    // After the first seconds it comes back as any returning device does.
    late.lastVekCommTime = quint64(m_clock.ms);
    store->updateDeviceOnDefaultDatabase(late);
    store->databaseMaintenance();
    QCOMPARE(store->readDeviceByMac(macB).discoveryState, DISCOVERY_NEW);
    QCOMPARE(store->readDeviceByMac(macA).discoveryState, DISCOVERY_ONLINE);
}

void TestDeviceDatabaseFile::fileOfAnEarlierVersionOpensAndTakesWrites()
{
    {
        DeviceFileProbe file;
        QVERIFY(file.exec(QStringLiteral(
            "CREATE TABLE devices ( mac_address VARCHAR(40) primary key , ip_address VARCHAR(20) ,"
            " config_title VARCHAR(41) , favorite BOOLEAN , user_device BOOLEAN , nic_count INT )")));
        QVERIFY(file.exec(QStringLiteral("INSERT INTO devices VALUES ('00:CC:00:00:00:01',"
                                         " '10.2.0.10', 'Old one', 1, 0, 2)")));
    }
    auto store = newStore();
    store->loadFileDatabase();
    const ArdentixDevice old = store->readDeviceByMac(QStringLiteral("00:CC:00:00:00:01"));
    QCOMPARE(old.configTitle, QStringLiteral("Old one"));
    QCOMPARE(old.nicCount, 2);
    QVERIFY(old.favorite);
    QCOMPARE(old.platformCode, 0u);

    QSignalSpy failed(store.get(), &DeviceDatabase::fileDatabaseWriteFailed);
    m_clock.ms += 10000;
    store->updateDeviceOnDefaultDatabase(testDevice(macA, QStringLiteral("10.2.0.11"), m_clock.ms));
    store->deviceFavoriteChanged(macA, true);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(DeviceFileProbe().macs().size(), 2);
}

void TestDeviceDatabaseFile::damagedFileLeavesTheLiveListWorking()
{
    const QByteArray garbage(4096, '\x5a');
    {
        QFile file(QStringLiteral("axdevices.db"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    LoggedMessages log;
    auto store = newStore();
    store->loadFileDatabase();
    verifyLiveListWorks(store.get());

    QSignalSpy failed(store.get(), &DeviceDatabase::fileDatabaseWriteFailed);
    QSignalSpy listed(store.get(), &DeviceDatabase::onlineDeviceUpdate);
    store->deviceFavoriteChanged(QStringLiteral("00:CC:00:00:00:99"), true);
    store->deviceFavoriteChanged(QStringLiteral("00:CC:00:00:00:99"), true);
    QCOMPARE(failed.count(), 2);
    QVERIFY(failed.at(0).at(0).toString().contains(QStringLiteral("not a database")));
    QCOMPARE(listed.count(), 0);
    QCOMPARE(log.count(QtCriticalMsg, QStringLiteral("Device file not usable")), 1);
    QCOMPARE(fileBytes(), garbage);
}

// A damaged file may hold any number, or text, where a state is stored.
void TestDeviceDatabaseFile::outOfRangeStatesReadAsDefinedOnes()
{
    newStore().reset(); // creates the file table
    {
        DeviceFileProbe file;
        QVERIFY(file.exec(QStringLiteral(
            "INSERT INTO devices (mac_address, ip_address, discovery_state, vek_advanced_network_support)"
            " VALUES ('00:CC:00:00:00:01', '10.2.0.1', 7, -5), ('00:CC:00:00:00:02', '10.2.0.2', 'x', 2147483648),"
            " ('00:CC:00:00:00:03', '10.2.0.3', -1, 1)")));
    }
    LoggedMessages log;
    auto store = newStore();
    QSignalSpy loaded(store.get(), &DeviceDatabase::onlineDeviceUpdate);
    store->loadFileDatabase();
    QCOMPARE(loaded.count(), 3);
    for (const QList<QVariant> &arguments : std::as_const(loaded)) {
        const ArdentixDevice device = arguments.at(0).value<ArdentixDevice>();
        QCOMPARE(device.discoveryState, DISCOVERY_OFFLINE);
        QCOMPARE(device.vekNetSupport, device.macAddress.endsWith('3') ? VEK_NET_SUPPORTED : VEK_NET_UNKNOWN);
    }
    QCOMPARE(log.count(QtWarningMsg, QStringLiteral("out of range")), 5);

    // The live table's security status, read back by every listing.
    QVERIFY(QSqlQuery(liveDatabaseOf()).exec(QStringLiteral("UPDATE devices SET security_status = 9")));
    QCOMPARE(store->readDeviceByMac(QStringLiteral("00:CC:00:00:00:01")).securityStatus, SECURITY_DISABLED);
}

void TestDeviceDatabaseFile::unwritableFileReportsEveryLostWrite()
{
    {
        auto store = newStore();
        store->updateDeviceOnDefaultDatabase(testDevice(macA, QStringLiteral("10.2.0.20"), m_clock.ms));
        store->deviceFavoriteChanged(macA, true);
    }
    // Permission bits do not stop root. A rollback journal that cannot be created stops
    // every writer, while readers, finding no journal, go on.
    QVERIFY(QFile::link(QStringLiteral("/nonexistent-folder/journal"),
                        QStringLiteral("axdevices.db-journal")));
    const QByteArray before = fileBytes();

    auto store = newStore();
    store->loadFileDatabase();
    QVERIFY(store->readDeviceByMac(macA).favorite);
    verifyLiveListWorks(store.get());

    QSignalSpy failed(store.get(), &DeviceDatabase::fileDatabaseWriteFailed);
    store->deviceFavoriteChanged(QStringLiteral("00:CC:00:00:00:99"), true);
    store->deviceFavoriteChanged(macA, false);
    store->removeDeviceFromFileDatabaseByIP(QStringLiteral("10.2.0.20"));
    QCOMPARE(failed.count(), 3);
    QCOMPARE(fileBytes(), before);
}

void TestDeviceDatabaseFile::lockedFileIsReportedAndUsedOnceFree()
{
    newStore(); // makes the file
    DeviceFileProbe other;
    QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));

    LoggedMessages log;
    auto store = newStore();
    store->loadFileDatabase();
    verifyLiveListWorks(store.get());
    QSignalSpy failed(store.get(), &DeviceDatabase::fileDatabaseWriteFailed);
    store->deviceFavoriteChanged(QStringLiteral("00:CC:00:00:00:99"), true);
    QCOMPARE(failed.count(), 1);
    QVERIFY(failed.at(0).at(0).toString().contains(QStringLiteral("locked")));
    QCOMPARE(log.count(QtCriticalMsg, QStringLiteral("Device file not usable")), 1);

    QVERIFY(other.exec(QStringLiteral("COMMIT")));
    store->deviceFavoriteChanged(QStringLiteral("00:CC:00:00:00:99"), true);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(other.macs(), QStringList{QStringLiteral("00:CC:00:00:00:99")});
}

void TestDeviceDatabaseFile::failedWriteKeepsThePlaceholderInTheFile()
{
    auto store = newStore();
    const ArdentixDevice placeholder = testPlaceholder(QStringLiteral("10.2.0.30"));
    store->updateDeviceOnDefaultDatabase(placeholder);
    store->updateDeviceOnFileDatabase(placeholder);
    DeviceFileProbe file;
    QVERIFY(file.exec(QStringLiteral("CREATE TRIGGER full BEFORE INSERT ON devices BEGIN"
                                     " SELECT RAISE(ABORT, 'disk is full'); END")));

    QSignalSpy failed(store.get(), &DeviceDatabase::fileDatabaseWriteFailed);
    store->updateDeviceOnDefaultDatabase(testDevice(macA, QStringLiteral("10.2.0.30"), m_clock.ms));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(file.macs(), QStringList{placeholder.macAddress});
    QVERIFY(store->readDeviceByMac(macA).userDevice);
}

QTEST_GUILESS_MAIN(TestDeviceDatabaseFile)
#include "tst_devicedatabasefile.moc"
