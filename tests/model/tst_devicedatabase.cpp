// The device store's rows, reads, single-column updates and removals.

#include "tst_devicedatabasesupport.h"

#include "model/platformfilter.h"
#include "testsandbox.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>

class TestDeviceDatabase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recordSurvivesTheLiveTable();
    void nullTextStaysNullAndEmptyStaysEmpty();
    void credentialsReadBackOnlyWhenRequired();
    void quotesAndWildcardsInValuesAreData();
    void filterFileOfManyNamesApplies();
    void readByMacTellsErrorFromNotFound();
    void answersStampTrafficTimeoutsDoNot();
    void slotKeyedByIpReachesEveryRowOfIt();
    void removalByIpIgnoresTheAddressAfterwards();
    void twoStoresKeepTheirOwnLists();

private:
    std::unique_ptr<TestSandbox> m_sandbox;
    TestClock m_clock;
    std::unique_ptr<DeviceDatabase> m_store;
};

void TestDeviceDatabase::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
    m_clock.ms = testEpochMs;
    m_store = std::make_unique<DeviceDatabase>(nullptr, m_clock.function());
}

void TestDeviceDatabase::cleanup()
{
    m_store.reset();
    m_sandbox.reset();
}

void TestDeviceDatabase::recordSurvivesTheLiveTable()
{
    ArdentixDevice device = testDevice(QStringLiteral("00:11:22:33:44:55"),
                                       QStringLiteral("10.0.0.5"), testEpochMs - 10);
    device.setDisplayMacString(QStringLiteral("00:11:22:33:44:56"));
    device.firmwareVersion = QStringLiteral("Ver6.18b");
    device.rebootTime = QStringLiteral("2024-01-02 03:04");
    device.firmwareFileName = QStringLiteral("axt300.bin");
    device.localAdapterMac = QStringLiteral("AA:AA:AA:AA:AA:01");
    device.ipConnectivity = true;
    device.deviceStatus = 0x19;
    device.platformCode = 303;
    device.nicCount = 2;
    device.lastIpCommTime = testEpochMs - 20;
    device.secureGwSupport = true;
    device.vekNetSupport = VEK_NET_SUPPORTED;
    device.deviceTag = QStringLiteral("TAG12345");
    m_store->addNewDevice(device);

    ArdentixDevice back = m_store->readDeviceByMac(device.macAddress);
    QCOMPARE(back.ipAddress, device.ipAddress);
    QCOMPARE(back.displayMacAddress, device.displayMacAddress);
    QCOMPARE(back.displayMacBytes[5], quint8(0x56));
    QCOMPARE(back.macBytes[5], quint8(0x55));
    QCOMPARE(back.firmwareVersion, device.firmwareVersion);
    QCOMPARE(back.rebootTime, device.rebootTime);
    QCOMPARE(back.firmwareFileName, device.firmwareFileName);
    QCOMPARE(back.localAdapterMac, device.localAdapterMac);
    QVERIFY(back.ipConnectivity && back.vekConnectivity && back.secureGwSupport);
    QCOMPARE(back.deviceStatus, device.deviceStatus);
    QCOMPARE(back.platformCode, device.platformCode);
    QCOMPARE(back.nicCount, 2);
    QCOMPARE(back.lastVekCommTime, device.lastVekCommTime);
    QCOMPARE(back.lastIpCommTime, device.lastIpCommTime);
    QCOMPARE(back.vekNetSupport, VEK_NET_SUPPORTED);
    QVERIFY(back.deviceTag.isEmpty()); // no column

    // Words above 32 bits keep their low half; a duplicate address is stored unreachable.
    QVERIFY(QSqlQuery(liveDatabaseOf()).exec(
        QStringLiteral("UPDATE devices SET device_status = 4294967301, platform_code = 4294967647")));
    back = m_store->readDeviceByMac(device.macAddress);
    QCOMPARE(back.deviceStatus, 5u);
    QCOMPARE(back.platformCode, 351u);

    ArdentixDevice duplicate = testDevice(QStringLiteral("00:11:22:33:44:57"), QString());
    duplicate.ipConnectivity = true;
    duplicate.duplicateIpAddress = true;
    m_store->addNewDevice(duplicate);
    back = m_store->readDeviceByMac(duplicate.macAddress);
    QVERIFY(!back.ipConnectivity);
    QVERIFY(back.ipAddress.isNull());
}

void TestDeviceDatabase::nullTextStaysNullAndEmptyStaysEmpty()
{
    ArdentixDevice unnamed = testDevice(QStringLiteral("00:00:00:00:00:01"), QStringLiteral("10.0.0.1"));
    unnamed.devicePlatform = QString();
    ArdentixDevice blank = testDevice(QStringLiteral("00:00:00:00:00:02"), QStringLiteral("10.0.0.2"));
    blank.devicePlatform = QStringLiteral("");
    m_store->addNewDevice(unnamed);
    m_store->addNewDevice(blank);

    QVERIFY(columnOf(liveDatabaseOf(), unnamed.macAddress, QStringLiteral("device_platform")).isNull());
    QVERIFY(m_store->readDeviceByMac(unnamed.macAddress).devicePlatform.isNull());
    const QString readBlank = m_store->readDeviceByMac(blank.macAddress).devicePlatform;
    QVERIFY(!readBlank.isNull() && readBlank.isEmpty());

    // The filter of an empty filter file is one empty text; LIKE '%%' leaves NULL out.
    QSignalSpy listed(m_store.get(), &DeviceDatabase::onlineDeviceUpdate);
    QVERIFY(m_store->readOnlineDevices({QString()}));
    QCOMPARE(listed.count(), 1);
    QCOMPARE(listed.at(0).at(0).value<ArdentixDevice>().macAddress, blank.macAddress);
    QVERIFY(m_store->readOnlineDevices());
    QCOMPARE(listed.count(), 3);
}

void TestDeviceDatabase::credentialsReadBackOnlyWhenRequired()
{
    ArdentixDevice device = testDevice(QStringLiteral("00:00:00:00:00:03"), QStringLiteral("10.0.0.3"));
    m_store->addNewDevice(device);
    device.passwordRequired = false;
    device.username = QStringLiteral("admin");
    device.password = QStringLiteral("s3cret");
    m_store->setDeviceCredentials(device);
    ArdentixDevice back = m_store->readDeviceByMac(device.macAddress);
    QVERIFY(back.passwordRequired);
    QCOMPARE(back.username, QStringLiteral("admin"));
    QCOMPARE(back.password, QStringLiteral("s3cret"));

    m_store->setDevicePasswordProtected(QStringLiteral("10.0.0.3"), false);
    back = m_store->readDeviceByMac(device.macAddress);
    QVERIFY(!back.passwordRequired);
    QVERIFY(back.username.isEmpty() && back.password.isEmpty());
    QCOMPARE(columnOf(liveDatabaseOf(), device.macAddress, QStringLiteral("password")).toString(),
             QStringLiteral("s3cret"));
}

void TestDeviceDatabase::quotesAndWildcardsInValuesAreData()
{
    ArdentixDevice quoted = testDevice(QStringLiteral("O'Neil:00"), QStringLiteral("10.0.0.9"));
    quoted.devicePlatform = QStringLiteral("AXT 'x' 50%_off\\");
    m_store->addNewDevice(quoted);
    ArdentixDevice plain = testDevice(QStringLiteral("00:00:00:00:00:04"), QStringLiteral("10.0.0.4"));
    plain.devicePlatform = QStringLiteral("AXT 500 off");
    m_store->addNewDevice(plain);

    DeviceDatabase::ReadResult result = DeviceDatabase::ReadFailed;
    QCOMPARE(m_store->readDeviceByMac(QStringLiteral("O'Neil:00"), &result).devicePlatform,
             quoted.devicePlatform);
    QCOMPARE(result, DeviceDatabase::DeviceFound);
    QCOMPARE(m_store->readDevicesByIp(QStringLiteral("' OR '1'='1")).size(), 0);

    QSignalSpy listed(m_store.get(), &DeviceDatabase::onlineDeviceUpdate);
    const QList<QPair<QStringList, int>> filters{
        {{QStringLiteral("%")}, 1},          {{QStringLiteral("0%_")}, 1},
        {{QStringLiteral("_")}, 1},          {{QStringLiteral("'x'")}, 1},
        {{QStringLiteral("\\")}, 1},         {{QStringLiteral("axt 5")}, 1},
        {{QStringLiteral("%"), QStringLiteral("500")}, 2},
        {{QStringLiteral("') OR 1=1 --")}, 0}};
    for (const auto &filter : filters) {
        listed.clear();
        QVERIFY2(m_store->readOnlineDevices(filter.first), qPrintable(filter.first.join(';')));
        QVERIFY2(listed.count() == filter.second, qPrintable(filter.first.join(';')));
    }
}

// SQLite limits the terms of one statement; the filter is not bound by it.
void TestDeviceDatabase::filterFileOfManyNamesApplies()
{
    m_store->addNewDevice(testDevice(QStringLiteral("00:00:00:00:00:01"), QStringLiteral("10.0.0.1")));
    ArdentixDevice other = testDevice(QStringLiteral("00:00:00:00:00:02"), QStringLiteral("10.0.0.2"));
    other.devicePlatform = QStringLiteral("Other");
    m_store->addNewDevice(other);

    QStringList names;
    for (int i = 0; i < 1999; ++i)
        names << QStringLiteral("Q%1").arg(i, 4, 10, QLatin1Char('0'));
    names << QStringLiteral("axt 3");
    QFile file(QStringLiteral("filter.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[General]\nplatform_name_includes=" + names.join(';').toUtf8() + "\n");
    file.close();
    const QStringList filter = readPlatformFilter(file.fileName());
    QCOMPARE(filter.size(), 2000);

    QSignalSpy listed(m_store.get(), &DeviceDatabase::onlineDeviceUpdate);
    QVERIFY(m_store->readOnlineDevices(filter));
    QCOMPARE(listed.count(), 1);
    QCOMPARE(listed.at(0).at(0).value<ArdentixDevice>().macAddress, QStringLiteral("00:00:00:00:00:01"));
}

void TestDeviceDatabase::readByMacTellsErrorFromNotFound()
{
    DeviceDatabase::ReadResult result = DeviceDatabase::DeviceFound;
    QVERIFY(m_store->readDeviceByMac(QStringLiteral("00:00:00:00:00:99"), &result).macAddress.isEmpty());
    QCOMPARE(result, DeviceDatabase::DeviceNotFound);

    QVERIFY(QSqlQuery(liveDatabaseOf()).exec(QStringLiteral("DROP TABLE devices")));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("no such table"));
    m_store->readDeviceByMac(QStringLiteral("00:00:00:00:00:99"), &result);
    QCOMPARE(result, DeviceDatabase::ReadFailed);
}

void TestDeviceDatabase::answersStampTrafficTimeoutsDoNot()
{
    const QString ip = QStringLiteral("10.0.0.6");
    const ArdentixDevice device = testDevice(QStringLiteral("00:00:00:00:00:06"), ip);
    m_store->addNewDevice(device);
    const auto ipTime = [&] { return m_store->readDeviceByMac(device.macAddress).lastIpCommTime; };

    m_store->updateJsonSupported(ip, false, true);
    m_store->updateAxguiSupported(ip, false, false);
    m_store->updateDiagSupported(ip, true, false);
    m_store->updateSecurityStatus(ip, SECURITY_FULL, false);
    m_store->updateDeviceIpConnectivity(ip, false);
    QCOMPARE(ipTime(), 0u);
    ArdentixDevice back = m_store->readDeviceByMac(device.macAddress);
    QVERIFY(back.diagSupport);
    QCOMPARE(back.securityStatus, SECURITY_FULL);

    const QList<std::function<void()>> answers{
        [&] { m_store->updateJsonSupported(ip, true, false); },
        [&] { m_store->updateAxguiSupported(ip, false, true); },
        [&] { m_store->updateDiagSupported(ip, false, true); },
        [&] { m_store->updateSecurityStatus(ip, SECURITY_DISABLED, true); },
        [&] { m_store->updateDeviceIpConnectivity(ip, true); },
    };
    for (const auto &answer : answers) {
        m_clock.ms += 1000;
        answer();
        QCOMPARE(ipTime(), quint64(m_clock.ms));
    }

    m_clock.ms += 1000;
    m_store->updateVekAdvancedNetworkSupported(device.macAddress, VEK_NET_NOT_SUPPORTED);
    back = m_store->readDeviceByMac(device.macAddress);
    QCOMPARE(back.lastVekCommTime, quint64(m_clock.ms));
    QCOMPARE(back.vekNetSupport, VEK_NET_NOT_SUPPORTED);

    QTest::ignoreMessage(QtCriticalMsg, "updateDiagnosticsSupported: Device update failed");
    m_store->updateDiagSupported(QStringLiteral("10.9.9.9"), true, true);
}

void TestDeviceDatabase::slotKeyedByIpReachesEveryRowOfIt()
{
    const QString ip = QStringLiteral("10.0.0.7");
    m_store->addNewDevice(testDevice(QStringLiteral("00:00:00:00:00:71"), ip));
    m_store->addNewDevice(testDevice(QStringLiteral("00:00:00:00:00:72"), ip));
    m_store->updateAxguiSupported(ip, true, true);
    QVERIFY(m_store->readDeviceByMac(QStringLiteral("00:00:00:00:00:71")).axguiSupport);
    QVERIFY(m_store->readDeviceByMac(QStringLiteral("00:00:00:00:00:72")).axguiSupport);
}

void TestDeviceDatabase::removalByIpIgnoresTheAddressAfterwards()
{
    const QString ip = QStringLiteral("10.0.0.8");
    m_store->addNewDevice(testDevice(QStringLiteral("00:00:00:00:00:81"), ip));
    m_store->addNewDevice(testDevice(QStringLiteral("00:00:00:00:00:82"), ip));
    m_store->removeDeviceFromDefaultDatabaseByIP(ip);
    QCOMPARE(m_store->readDevicesByIp(ip).size(), 0);
    QTest::ignoreMessage(QtDebugMsg, "No Devices removed");
    m_store->removeDeviceFromDefaultDatabaseByIP(ip);

    // Listed once although two rows went: one user device takes the entry out again.
    QSignalSpy added(m_store.get(), &DeviceDatabase::newDeviceAdded);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Ignore device"));
    m_store->addNewDevice(testDevice(QStringLiteral("00:00:00:00:00:83"), ip));
    ArdentixDevice user = testDevice(QStringLiteral("00:00:00:00:00:84"), ip);
    user.userDevice = true;
    m_store->addNewDevice(user);
    m_store->addNewDevice(testDevice(QStringLiteral("00:00:00:00:00:85"), ip));
    QCOMPARE(added.count(), 2);
}

void TestDeviceDatabase::twoStoresKeepTheirOwnLists()
{
    auto second = std::make_unique<DeviceDatabase>(nullptr, m_clock.function());
    m_store->addNewDevice(testDevice(QStringLiteral("00:00:00:00:00:0A"), QStringLiteral("10.0.0.10")));
    second->addNewDevice(testDevice(QStringLiteral("00:00:00:00:00:0B"), QStringLiteral("10.0.0.11")));
    QCOMPARE(m_store->readDevicesByIp(QStringLiteral("10.0.0.11")).size(), 0);
    QCOMPARE(second->readDevicesByIp(QStringLiteral("10.0.0.11")).size(), 1);

    second.reset();
    DeviceDatabase::ReadResult result = DeviceDatabase::ReadFailed;
    m_store->readDeviceByMac(QStringLiteral("00:00:00:00:00:0A"), &result);
    QCOMPARE(result, DeviceDatabase::DeviceFound);
}

QTEST_GUILESS_MAIN(TestDeviceDatabase)
#include "tst_devicedatabase.moc"
