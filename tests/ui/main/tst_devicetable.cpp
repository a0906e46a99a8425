#include "app/ardentixtoolbox.h"
#include "model/devicedatabase.h"
#include "ui/main/axtmainwindow.h"
#include "ui/main/devicetoolbarwidget.h"
#include "ui/main/favoritedevicebutton.h"
#include "ui/main/userdevicebutton.h"

#include "rowtesthelpers.h"
#include "toolboxtestbed.h"

#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include <memory>

using namespace RowTest;

namespace {

const int kSlowly = 10000;   // ms: several maintenance passes

} // namespace

// The device table as the program shows it: the real controller with its store and
// communications manager in network namespace A, the gateway emulator in B.
class tst_DeviceTable : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_bed.reset(); }

    void devicesAppearInAddressOrder();
    void quietDevicesGoLostThenOffline();
    void addedByAddressThenDiscoveredThenRemoved();
    void sharedAddressIsShownOnBothRows();
    void adoptedDeviceIsRemovedAsAUserDevice();

private:
    // The first emulator started, and the one that is stopped to go quiet.
    EmulatorProcess &emulator() { return m_bed->emulator(0); }
    EmulatorProcess &quietEmulator() { return m_bed->emulator(1); }
    void startToolbox();
    static AXTMainWindow *window() { return ToolboxTestBed::mainWindow(); }
    QTableView *table() const;
    QStandardItemModel *model() const;
    DeviceDatabase *store() const { return m_bed->store(); }
    int rowOf(const QString &key) const;
    int stateOf(const QString &key) const;
    QStringList keys() const;
    QStringList addresses() const;
    QWidget *cell(const QString &key, int column) const;
    bool pressRemoveAndConfirm(const QString &key);

    std::unique_ptr<ToolboxTestBed> m_bed;
};

void tst_DeviceTable::init()
{
    m_bed = std::make_unique<ToolboxTestBed>();
    AX_REQUIRE_TESTBED(*m_bed);
    QVERIFY(copyImages(m_bed->sandbox().path()));

    // Quick ageing: lost after 800 ms without an answer, offline 4 s after the last one,
    // so a lost device is shown as such for at least two maintenance passes.
    m_bed->storeProfile("Quick", {{"ping_interval", 200}, {"timeout_to_lost", 800}, {"lost_indicator_period", 4},
                                  {"new_indicator_period", 1}});
    QSettings(QStringLiteral("Ardentix"), QStringLiteral("Toolbox")).setValue("active_settings_profile", "Quick");
}

void tst_DeviceTable::startToolbox()
{
    m_bed->start(RUN_MODE(0));
    QVERIFY(window());
}

QTableView *tst_DeviceTable::table() const
{
    return window()->findChild<QTableView *>("deviceTableView");
}

QStandardItemModel *tst_DeviceTable::model() const
{
    return qobject_cast<QStandardItemModel *>(table()->model());
}

int tst_DeviceTable::rowOf(const QString &key) const
{
    for (int row = 0; row < model()->rowCount(); ++row)
        if (model()->index(row, 0).data(AXTMainWindow::DeviceKeyRole).toString() == key)
            return row;
    return -1;
}

int tst_DeviceTable::stateOf(const QString &key) const
{
    return model()->index(rowOf(key), 0).data(AXTMainWindow::DiscoveryStateRole).toInt();
}

QStringList tst_DeviceTable::keys() const
{
    QStringList texts;
    for (int row = 0; row < model()->rowCount(); ++row)
        texts << model()->index(row, 0).data(AXTMainWindow::DeviceKeyRole).toString();
    return texts;
}

QStringList tst_DeviceTable::addresses() const
{
    QStringList texts;
    for (int row = 0; row < model()->rowCount(); ++row)
        texts << model()->index(row, 4).data().toString();
    return texts;
}

QWidget *tst_DeviceTable::cell(const QString &key, int column) const
{
    const int row = rowOf(key);
    return row < 0 ? nullptr : table()->indexWidget(model()->index(row, column));
}

bool tst_DeviceTable::pressRemoveAndConfirm(const QString &key)
{
    auto *button = qobject_cast<UserDeviceButton *>(cell(key, 8));
    if (!button)
        return false;
    whenModalUp([](QWidget *widget) {
        for (QAbstractButton *choice : qobject_cast<QMessageBox *>(widget)->buttons())
            if (choice->text() == "Remove")
                choice->click();
    });
    QTest::mousePress(button, Qt::LeftButton, {}, indicatorPoint(button));
    return true;
}

void tst_DeviceTable::devicesAppearInAddressOrder()
{
    QVERIFY(m_bed->startEmulator({"--devices", "5", "--base-mac", "02:A0:00:00:00:01",
                                  "--device", "0:ip=10.77.0.130", "--device", "1:ip=10.77.0.101",
                                  "--device", "2:ip=10.77.0.7", "--device", "3:ip=10.77.0.250",
                                  "--device", "4:ip=10.77.0.29,title=Pump house"}));
    startToolbox();
    QTRY_COMPARE_WITH_TIMEOUT(model()->rowCount(), 5, kSlowly);
    QCOMPARE(addresses(), QStringList({"10.77.0.7", "10.77.0.29", "10.77.0.101", "10.77.0.130", "10.77.0.250"}));
    QCOMPARE(keys(), QStringList({"02:A0:00:00:00:03", "02:A0:00:00:00:05", "02:A0:00:00:00:02",
                                  "02:A0:00:00:00:01", "02:A0:00:00:00:04"}));
    QCOMPARE(model()->index(1, 1).data().toString(), QString("Pump house"));

    // Each answering device can be opened; a second later its row is refreshed, not rebuilt.
    auto *toolbar = qobject_cast<DeviceToolbarWidget *>(cell("02:A0:00:00:00:05", 12));
    QVERIFY(toolbar);
    QTRY_VERIFY_WITH_TIMEOUT(toolbar->findChild<QWidget *>("connectButton")->isEnabled(), kSlowly);
    QTest::qWait(1500);
    QCOMPARE(cell("02:A0:00:00:00:05", 12), toolbar);
    QCOMPARE(model()->rowCount(), 5);
}

void tst_DeviceTable::quietDevicesGoLostThenOffline()
{
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-ip", "10.77.0.100"}));
    QVERIFY(m_bed->startEmulator({"--devices", "2", "--base-mac", "02:A0:00:00:00:51", "--base-ip", "10.77.0.150"}));
    startToolbox();
    QTRY_COMPARE_WITH_TIMEOUT(model()->rowCount(), 3, kSlowly);
    const QString favourite = "02:A0:00:00:00:51";
    const QString plain = "02:A0:00:00:00:52";

    // The user marks one a favourite with its star.
    window()->resize(1024, 610);
    QVERIFY(QTest::qWaitForWindowExposed(window()));
    auto *star = qobject_cast<FavoriteDeviceButton *>(cell(favourite, 10));
    QVERIFY(star);
    QTest::mouseClick(star, Qt::LeftButton, {}, indicatorPoint(star));
    QVERIFY(star->isChecked());
    QVERIFY(store()->readDeviceByMac(favourite).favorite);

    // Both stop answering: each row first shows the device lost...
    quietEmulator().stop();
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(plain), int(DISCOVERY_LOST), kSlowly);
    QCOMPARE(cell(plain, 11)->toolTip(), QString("Connectivity lost"));
    auto *badge = cell(plain, 12)->findChild<QLabel *>("stateLabel");
    QCOMPARE(badge->pixmap().toImage(), QPixmap("images/lost_device.png").toImage());
    QVERIFY(!cell(plain, 12)->findChild<QWidget *>("connectButton")->isEnabled());

    // ...then offline: the plain one's row goes, the favourite's stays.
    QTRY_COMPARE_WITH_TIMEOUT(rowOf(plain), -1, kSlowly);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(favourite), int(DISCOVERY_OFFLINE), kSlowly);
    QCOMPARE(cell(favourite, 11)->toolTip(), QString("Connectivity lost"));
    QCOMPARE(keys(), QStringList({"02:A0:00:00:00:01", favourite}));

    // The favourite is still there after a restart, starred, before any answer.
    m_bed->stop();
    emulator().stop();
    startToolbox();
    QCOMPARE(keys(), QStringList({favourite}));
    QVERIFY(qobject_cast<FavoriteDeviceButton *>(cell(favourite, 10))->isChecked());
    QCOMPARE(model()->index(0, 4).data().toString(), QString("10.77.0.150"));
    QTest::qWait(2500);
    QCOMPARE(keys(), QStringList({favourite}));
    // Stored while it answered, it is not heard in this run: offline, whatever the file says.
    const auto connectButton = [this, favourite] { return cell(favourite, 12)->findChild<QWidget *>("connectButton"); };
    QCOMPARE(stateOf(favourite), int(DISCOVERY_OFFLINE));
    QCOMPARE(cell(favourite, 11)->toolTip(), QString("Connectivity lost"));
    QVERIFY(!connectButton()->isEnabled());
    QCOMPARE(model()->index(0, 7).data().toString(), favourite);

    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-mac", favourite, "--base-ip", "10.77.0.150"}));
    QTRY_VERIFY_WITH_TIMEOUT(connectButton()->isEnabled(), kSlowly);
    QVERIFY(stateOf(favourite) != DISCOVERY_OFFLINE);
    QCOMPARE(cell(favourite, 11)->toolTip(), QString("Limited IP Connectivity"));
}

void tst_DeviceTable::addedByAddressThenDiscoveredThenRemoved()
{
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-ip", "10.77.0.20"}));
    startToolbox();
    QTRY_COMPARE_WITH_TIMEOUT(model()->rowCount(), 1, kSlowly);

    // The user adds 10.77.0.100 through the plus in the header, zeros and blanks included.
    whenModalUp([](QWidget *widget) {
        auto *dialog = qobject_cast<QInputDialog *>(widget);
        dialog->setTextValue(" 10.077.000.100 ");
        dialog->accept();
    });
    QMetaObject::invokeMethod(window(), "onDeviceTableViewHeaderClicked", Q_ARG(int, 2));
    const QString pending = "Pending (10.77.0.100)";
    QTRY_COMPARE(keys(), QStringList({"02:A0:00:00:00:01", pending}));
    QCOMPARE(model()->index(1, 1).data().toString(), QString("Title Pending (User Device)"));
    QVERIFY(qobject_cast<UserDeviceButton *>(cell(pending, 8))->isChecked());
    QVERIFY(qobject_cast<FavoriteDeviceButton *>(cell(pending, 10))->isChecked());

    // The device at that address answers: its own row takes the placeholder's place.
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-mac", "02:A0:00:00:00:77",
                                  "--base-ip", "10.77.0.100", "--title", "Compressor"}));
    const QString found = "02:A0:00:00:00:77";
    QTRY_COMPARE_WITH_TIMEOUT(keys(), QStringList({"02:A0:00:00:00:01", found}), kSlowly);
    QCOMPARE(model()->index(1, 1).data().toString(), QString("Compressor"));
    QCOMPARE(model()->index(1, 4).data().toString(), QString("10.77.0.100"));
    QVERIFY(qobject_cast<UserDeviceButton *>(cell(found, 8)));
    QVERIFY(qobject_cast<FavoriteDeviceButton *>(cell(found, 10))->isChecked());

    // Remove: the row goes, the store forgets it, and discovery does not bring it back.
    QVERIFY(pressRemoveAndConfirm(found));
    QCOMPARE(keys(), QStringList({"02:A0:00:00:00:01"}));
    DeviceDatabase::ReadResult read = DeviceDatabase::ReadFailed;
    store()->readDeviceByMac(found, &read);
    QCOMPARE(read, DeviceDatabase::DeviceNotFound);
    QTest::qWait(2000);
    QCOMPARE(keys(), QStringList({"02:A0:00:00:00:01"}));
}

void tst_DeviceTable::sharedAddressIsShownOnBothRows()
{
    QVERIFY(m_bed->startEmulator({"--devices", "3", "--base-ip", "10.77.0.100", "--device", "1:ip=10.77.0.100"}));
    startToolbox();
    QTRY_COMPARE_WITH_TIMEOUT(model()->rowCount(), 3, kSlowly);
    QCOMPARE(addresses(), QStringList({"10.77.0.100", "10.77.0.100", "10.77.0.102"}));
    const auto marked = [this](int row) {
        return model()->index(row, 4).data(Qt::ToolTipRole).toString() == "Duplicate IP Address found";
    };
    QTRY_VERIFY_WITH_TIMEOUT(marked(0) && marked(1), kSlowly);
    QVERIFY(!marked(2));
    for (const char *key : {"02:A0:00:00:00:01", "02:A0:00:00:00:02"}) {
        // A shared address is no way to reach either device.
        QVERIFY(!cell(key, 12)->findChild<QWidget *>("connectButton")->isEnabled());
        QCOMPARE(cell(key, 11)->toolTip(), QString("Limited Connectivity"));
    }
}

void tst_DeviceTable::adoptedDeviceIsRemovedAsAUserDevice()
{
    // A favourite remembered from an earlier run, listed offline until it answers.
    const QString mac = "02:A0:00:00:00:51";
    {
        ArdentixDevice favourite = onlineDevice("10.77.0.150", mac);
        favourite.favorite = true;
        DeviceDatabase earlierRun;
        earlierRun.updateDeviceOnFileDatabase(favourite);
    }
    startToolbox();
    QCOMPARE(keys(), QStringList({mac}));

    // The user adds its address; then the device answers from it and takes the entry.
    whenModalUp([](QWidget *widget) {
        auto *dialog = qobject_cast<QInputDialog *>(widget);
        dialog->setTextValue("10.77.0.150");
        dialog->accept();
    });
    QMetaObject::invokeMethod(window(), "onDeviceTableViewHeaderClicked", Q_ARG(int, 2));
    QTRY_COMPARE(keys(), QStringList({mac, "Pending (10.77.0.150)"}));
    QVERIFY(m_bed->startEmulator({"--devices", "1", "--base-mac", mac, "--base-ip", "10.77.0.150"}));
    QTRY_COMPARE_WITH_TIMEOUT(keys(), QStringList({mac}), kSlowly);
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<UserDeviceButton *>(cell(mac, 8)), kSlowly);

    // Its remove button removes it from the list, the store and the device file.
    QVERIFY(pressRemoveAndConfirm(mac));
    QCOMPARE(keys(), QStringList());
    DeviceDatabase::ReadResult read = DeviceDatabase::ReadFailed;
    store()->readDeviceByMac(mac, &read);
    QCOMPARE(read, DeviceDatabase::DeviceNotFound);
    {
        QSqlDatabase file = QSqlDatabase::addDatabase("QSQLITE", "device-file");
        file.setDatabaseName(m_bed->sandbox().filePath("axdevices.db"));
        QVERIFY(file.open());
        QSqlQuery stored("SELECT count(*) FROM devices", file);
        QVERIFY(stored.next());
        QCOMPARE(stored.value(0).toInt(), 0);
    }
    QSqlDatabase::removeDatabase("device-file");
}

QTEST_MAIN(tst_DeviceTable)
#include "tst_devicetable.moc"
