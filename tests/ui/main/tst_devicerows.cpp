#include "ui/main/axtmainwindow.h"
#include "ui/main/devicetoolbarwidget.h"
#include "ui/main/favoritedevicebutton.h"
#include "ui/main/userdevicebutton.h"

#include "model/axsignalobject.h"

#include "rowtesthelpers.h"
#include "testsandbox.h"

#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include <memory>

using namespace RowTest;

namespace {

ArdentixDevice userAdded(const QString &ip)
{
    ArdentixDevice device;
    device.ipAddress = QHostAddress(ip);
    device.setMacString("Pending (" + ip + ")");
    device.configTitle = "Title Pending (User Device)";
    device.userDevice = true;
    device.favorite = true;
    device.discoveryState = DISCOVERY_OFFLINE;
    return device;
}

QImage imageOf(const QIcon &icon)
{
    return icon.pixmap(16).toImage();
}

QImage imageOf(const QString &path)
{
    return QIcon(path).pixmap(16).toImage();
}

} // namespace

class tst_DeviceRows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rowsFollowAddressOrder();
    void rowCellsAndRoles();
    void knownDeviceIsRefreshedInPlace();
    void newAddressMovesTheRow();
    void wholeKeyFindsTheRow();
    void duplicateMarkAndAddressTableFlush();
    void titleIconShowsErrorsInAdvancedMode_data();
    void titleIconShowsErrorsInAdvancedMode();
    void connectivityCell_data();
    void connectivityCell();
    void toolbarBadgeAndLock();
    void offlineDevices();
    void removingRows();
    void removeButtonOfAUserDevice();
    void refreshKeepsUserChoices();
    void pausedWindowTakesNoUpdates();
    void unfavouritedOfflineRowGoes();
    void detailsRowIsFilled();
    void rebuiltRowsLeaveNothingBehind();
    void rowsGetTheirWidgetsWhenInSight();

private:
    AXTMainWindow *makeWindow(RUN_MODE mode = RUN_MODE(0));
    QStandardItemModel *model() const;
    QTableView *table() const;
    QStringList column(int column) const;
    int rowOf(const QString &key) const;
    template<typename T>
    T *widgetAt(int row, int column) const
    {
        return qobject_cast<T *>(table()->indexWidget(model()->index(row, column)));
    }
    QString arpCalls() const;

    std::unique_ptr<TestSandbox> m_sandbox;
    std::unique_ptr<AxSignalObject> m_root;
    QPointer<AXTMainWindow> m_window;
    QByteArray m_path;
};

void tst_DeviceRows::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
    QVERIFY(copyImages(m_sandbox->path()));
    // "arp" is a recording stand-in, first on the path.
    QVERIFY(QDir(m_sandbox->path()).mkpath("bin"));
    QVERIFY(writeRecordingProgram(m_sandbox->filePath("bin/arp"), m_sandbox->filePath("arp-calls.txt")));
    m_path = qgetenv("PATH");
    qputenv("PATH", m_sandbox->filePath("bin").toLocal8Bit() + ":" + m_path);
    m_root = std::make_unique<AxSignalObject>(nullptr);
}

void tst_DeviceRows::cleanup()
{
    delete m_window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    qputenv("PATH", m_path);
    m_root.reset();
    m_sandbox.reset();
}

AXTMainWindow *tst_DeviceRows::makeWindow(RUN_MODE mode)
{
    m_window = new AXTMainWindow(nullptr, mode, m_root.get());
    return m_window;
}

QTableView *tst_DeviceRows::table() const
{
    return m_window->findChild<QTableView *>("deviceTableView");
}

QStandardItemModel *tst_DeviceRows::model() const
{
    return qobject_cast<QStandardItemModel *>(table()->model());
}

QStringList tst_DeviceRows::column(int column) const
{
    QStringList texts;
    for (int row = 0; row < model()->rowCount(); ++row)
        texts << model()->index(row, column).data().toString();
    return texts;
}

int tst_DeviceRows::rowOf(const QString &key) const
{
    for (int row = 0; row < model()->rowCount(); ++row)
        if (model()->index(row, 0).data(AXTMainWindow::DeviceKeyRole).toString() == key)
            return row;
    return -1;
}

QString tst_DeviceRows::arpCalls() const
{
    return readText(m_sandbox->filePath("arp-calls.txt"));
}

void tst_DeviceRows::rowsFollowAddressOrder()
{
    makeWindow();
    m_window->AddDeviceToList(onlineDevice("10.77.0.50", "02:A0:00:00:00:01"));
    m_window->AddDeviceToList(onlineDevice("10.77.0.10", "02:A0:00:00:00:02"));
    m_window->AddDeviceToList(onlineDevice("10.77.1.2", "02:A0:00:00:00:03"));
    m_window->AddDeviceToList(onlineDevice("10.77.0.10", "02:A0:00:00:00:04"));   // after its equal
    m_window->AddDeviceToList(onlineDevice("9.255.255.255", "02:A0:00:00:00:05"));
    m_window->AddDeviceToList(onlineDevice("10.77.0.200", "02:A0:00:00:00:06"));
    QCOMPARE(column(4), QStringList({"9.255.255.255", "10.77.0.10", "10.77.0.10", "10.77.0.50", "10.77.0.200",
                                     "10.77.1.2"}));
    QCOMPARE(column(6), QStringList({"02:A0:00:00:00:05", "02:A0:00:00:00:02", "02:A0:00:00:00:04",
                                     "02:A0:00:00:00:01", "02:A0:00:00:00:06", "02:A0:00:00:00:03"}));

    // Each device still finds its own row after rows went in above it and one left.
    m_window->removeDeviceFromList("02:A0:00:00:00:02");
    for (int row = 0; row < model()->rowCount(); ++row) {
        const QString mac = model()->item(row, 6)->text();
        ArdentixDevice renamed = onlineDevice(model()->item(row, 4)->text(), mac);
        renamed.configTitle = mac;
        m_window->AddDeviceToList(renamed);
    }
    QCOMPARE(column(1), column(6));
    QCOMPARE(model()->rowCount(), 5);
}

void tst_DeviceRows::rowCellsAndRoles()
{
    makeWindow();
    ArdentixDevice device = onlineDevice("10.77.0.100", "02:A0:00:00:00:01");
    device.setDisplayMacString("02:A0:00:00:00:0A");
    device.configTitle = "Pump house";
    device.devicePlatform = "AX-T300";
    device.rebootTime = "2026-01-01 00:00:00";
    device.firmwareVersion = "6.21.0";
    device.buildRevision = "r5120";
    device.buildDate = "2025-11-30";
    device.hotStandbyState = "Primary";
    device.deviceStatus = DEVICE_STATUS_TEST_PASSED;
    device.discoveryState = DISCOVERY_NEW;
    device.favorite = true;
    m_window->AddDeviceToList(device);
    QCOMPARE(model()->rowCount(), 1);

    const QStandardItem *key = model()->item(0, 0);
    QCOMPARE(key->text(), QString("Pump house"));
    QVERIFY(!key->isEditable());
    QCOMPARE(key->data(AXTMainWindow::DetailsRowRole), QVariant(false));
    QCOMPARE(key->data(AXTMainWindow::AddressNumberRole), QVariant());
    QCOMPARE(key->data(AXTMainWindow::UserDeviceRole), QVariant(false));
    QCOMPARE(key->data(AXTMainWindow::PlatformRole).toString(), QString("AX-T300"));
    QCOMPARE(key->data(AXTMainWindow::DeviceKeyRole).toString(), QString("02:A0:00:00:00:01"));
    QCOMPARE(key->data(AXTMainWindow::DisplayMacRole).toString(), QString("02:A0:00:00:00:0A"));
    const QStringList details = {"2026-01-01 00:00:00", "6.21.0", "r5120", "2025-11-30", "Test Passed", "Primary"};
    for (int role = AXTMainWindow::RebootTimeRole; role <= AXTMainWindow::HotStandbyRole; ++role)
        QCOMPARE(key->data(role).toString(), details.at(role - AXTMainWindow::RebootTimeRole));
    QCOMPARE(key->data(AXTMainWindow::DiscoveryStateRole).toInt(), int(DISCOVERY_NEW));

    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignVCenter;
    const QStandardItem *title = model()->item(0, 1);
    QCOMPARE(title->text(), QString("Pump house"));
    QCOMPARE(title->flags(), Qt::ItemIsEnabled);
    QCOMPARE(title->textAlignment(), Qt::AlignLeft | Qt::AlignVCenter);
    QCOMPARE(imageOf(title->icon()), imageOf("./images/blank.png"));
    QCOMPARE(table()->columnSpan(0, 1), 3);
    const QStandardItem *address = model()->item(0, 4);
    QCOMPARE(address->text(), QString("10.77.0.100"));
    QCOMPARE(address->flags(), Qt::ItemIsEnabled);
    QCOMPARE(address->textAlignment(), centred);
    QCOMPARE(address->data(AXTMainWindow::AddressNumberRole).toUInt(), QHostAddress("10.77.0.100").toIPv4Address());
    QVERIFY(address->toolTip().isEmpty());
    QCOMPARE(model()->item(0, 5)->text(), QString(" "));
    QCOMPARE(model()->item(0, 5)->flags(), Qt::ItemIsEnabled);
    QCOMPARE(model()->item(0, 6)->text(), QString("02:A0:00:00:00:01"));
    QCOMPARE(model()->item(0, 6)->textAlignment(), centred);
    QCOMPARE(model()->item(0, 7)->text(), QString("02:A0:00:00:00:0A"));
    QCOMPARE(model()->item(0, 7)->flags(), Qt::ItemIsEnabled);
    QCOMPARE(model()->item(0, 8)->text(), QString(" "));
    QVERIFY(!widgetAt<QWidget>(0, 8));
    QVERIFY(!model()->item(0, 9));

    QVERIFY(widgetAt<FavoriteDeviceButton>(0, 10)->isChecked());
    QWidget *connectivity = widgetAt<QWidget>(0, 11);
    QCOMPARE(connectivity->metaObject()->className(), "QWidget");
    QCOMPARE(connectivity->toolTip(), QString("Limited IP Connectivity"));
    auto *toolbar = widgetAt<DeviceToolbarWidget>(0, 12);
    QVERIFY(toolbar);
    QVERIFY(!toolbar->parent() || toolbar->parent() == table()->viewport());
    QCOMPARE(toolbar->bus->upstream->upstream.data(), m_root.get());
    QCOMPARE(imageOf(QIcon(toolbar->findChild<QLabel *>("stateLabel")->pixmap())),
             imageOf("images/new_device.png"));

    // A user-added device gets its remove button, checked.
    m_window->AddDeviceToList(userAdded("10.77.0.200"));
    QCOMPARE(model()->item(1, 0)->data(AXTMainWindow::UserDeviceRole), QVariant(true));
    auto *remove = widgetAt<UserDeviceButton>(1, 8);
    QVERIFY(remove && remove->isChecked());
    QVERIFY(!model()->item(1, 8));
}

void tst_DeviceRows::knownDeviceIsRefreshedInPlace()
{
    makeWindow();
    m_window->AddDeviceToList(onlineDevice("10.77.0.10", "02:A0:00:00:00:01"));
    // Remembered in the device file, which keeps no display MAC: the stored one stands in.
    ArdentixDevice remembered = onlineDevice("10.77.0.20", "02:A0:00:00:00:02");
    remembered.setDisplayMacString(QString());
    remembered.discoveryState = DISCOVERY_OFFLINE;
    m_window->AddDeviceToList(remembered);
    QCOMPARE(model()->item(1, 7)->text(), QString("02:A0:00:00:00:02"));
    m_window->AddDeviceToList(remembered);
    QCOMPARE(model()->item(1, 7)->text(), QString("02:A0:00:00:00:02"));
    m_window->AddDeviceToList(onlineDevice("10.77.0.20", "02:A0:00:00:00:02"));
    QWidget *toolbar = widgetAt<QWidget>(1, 12);
    QWidget *star = widgetAt<QWidget>(1, 10);

    ArdentixDevice renamed = onlineDevice("10.77.0.20", "02:A0:00:00:00:02");
    renamed.configTitle = "Boiler room";
    renamed.firmwareVersion = "6.22.1";
    renamed.axguiSupport = true;
    m_window->AddDeviceToList(renamed);
    QCOMPARE(model()->rowCount(), 2);
    QCOMPARE(column(1), QStringList({"Gateway 10.77.0.10", "Boiler room"}));
    QCOMPARE(model()->item(1, 0)->text(), QString("Boiler room"));
    QCOMPARE(model()->item(1, 0)->data(AXTMainWindow::FirmwareVersionRole).toString(), QString("6.22.1"));
    QCOMPARE(widgetAt<QWidget>(1, 12), toolbar);
    QCOMPARE(model()->item(1, 7)->text(), QString("02:A0:00:00:00:02"));
    QCOMPARE(widgetAt<QWidget>(1, 10), star);
    QCOMPARE(widgetAt<QWidget>(1, 11)->toolTip(), QString("Full connectivity"));

    // Only the status changes: its role follows.
    renamed.deviceStatus = DEVICE_STATUS_ERROR;
    m_window->AddDeviceToList(renamed);
    QCOMPARE(model()->item(1, 0)->data(AXTMainWindow::StatusTextRole).toString(), QString("Error"));
}

void tst_DeviceRows::newAddressMovesTheRow()
{
    makeWindow();
    QSignalSpy removed(m_window.data(), &AXTMainWindow::userDeviceRemoved);
    m_window->AddDeviceToList(onlineDevice("10.77.0.10", "02:A0:00:00:00:01"));
    ArdentixDevice user = userAdded("10.77.0.20");
    user.setMacString("02:A0:00:00:00:02");
    user.favorite = false;
    m_window->AddDeviceToList(user);
    m_window->AddDeviceToList(onlineDevice("10.77.0.30", "02:A0:00:00:00:03"));
    QPointer<QWidget> oldToolbar = widgetAt<QWidget>(1, 12);

    user.ipAddress = QHostAddress("10.77.0.40");
    user.favorite = true;
    m_window->AddDeviceToList(user);
    QCOMPARE(column(4), QStringList({"10.77.0.10", "10.77.0.30", "10.77.0.40"}));
    QCOMPARE(column(6), QStringList({"02:A0:00:00:00:01", "02:A0:00:00:00:03", "02:A0:00:00:00:02"}));
    QCOMPARE(removed.size(), 0);
    QVERIFY(widgetAt<FavoriteDeviceButton>(2, 10)->isChecked());   // from the record, as made anew
    QVERIFY(widgetAt<UserDeviceButton>(2, 8));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!oldToolbar);
}

void tst_DeviceRows::wholeKeyFindsTheRow()
{
    makeWindow();
    m_window->AddDeviceToList(userAdded("10.0.0.12"));
    m_window->AddDeviceToList(userAdded("10.0.0.1"));
    // "Pending (10.0.0.1" begins "Pending (10.0.0.12)": each still has its own row.
    QCOMPARE(column(4), QStringList({"10.0.0.1", "10.0.0.12"}));

    // Letters in another case find the same row.
    ArdentixDevice lower = onlineDevice("10.77.0.5", "02:a0:00:00:00:0b");
    m_window->AddDeviceToList(onlineDevice("10.77.0.5", "02:A0:00:00:00:0B"));
    lower.configTitle = "Renamed";
    m_window->AddDeviceToList(lower);
    QCOMPARE(model()->rowCount(), 3);
    QCOMPARE(model()->item(2, 1)->text(), QString("Renamed"));

    // An empty key matches nothing, not the first row.
    m_window->removeDeviceFromList(QString());
    m_window->removeDeviceFromList("Pending (10.0.0.1");
    QCOMPARE(model()->rowCount(), 3);
    m_window->removeDeviceFromList("pending (10.0.0.1)");
    QCOMPARE(column(4), QStringList({"10.0.0.12", "10.77.0.5"}));
}

void tst_DeviceRows::duplicateMarkAndAddressTableFlush()
{
    makeWindow();
    ArdentixDevice device = onlineDevice("10.77.0.100", "02:A0:00:00:00:01");
    device.duplicateIpAddress = true;
    m_window->AddDeviceToList(device);
    QStandardItem *address = model()->item(0, 4);
    QCOMPARE(address->toolTip(), QString("Duplicate IP Address found"));
    QCOMPARE(imageOf(address->icon()), imageOf("./images/warning.png"));
    // A duplicate is not reachable by IP.
    QCOMPARE(widgetAt<QWidget>(0, 11)->toolTip(), QString("Limited Connectivity"));

    m_window->AddDeviceToList(device);
    QTest::qWait(100);
    QVERIFY(arpCalls().isEmpty());

    // The mark clears: the PC forgets the address once.
    device.duplicateIpAddress = false;
    m_window->AddDeviceToList(device);
    QCOMPARE(address->toolTip(), QString());
    QCOMPARE(imageOf(address->icon()), imageOf("./images/blank.png"));
    QTRY_COMPARE(arpCalls(), QString("-d\n10.77.0.100\n--\n"));
    m_window->AddDeviceToList(device);
    QTest::qWait(100);
    QCOMPARE(arpCalls(), QString("-d\n10.77.0.100\n--\n"));

    // Marked and cleared again: once more.
    device.duplicateIpAddress = true;
    m_window->AddDeviceToList(device);
    device.duplicateIpAddress = false;
    m_window->AddDeviceToList(device);
    QTRY_COMPARE(arpCalls(), QString("-d\n10.77.0.100\n--\n-d\n10.77.0.100\n--\n"));

    // A row made anew never flushes.
    m_window->AddDeviceToList(onlineDevice("10.77.0.101", "02:A0:00:00:00:02"));
    QTest::qWait(100);
    QCOMPARE(arpCalls().count("--"), 2);
}

void tst_DeviceRows::titleIconShowsErrorsInAdvancedMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("image");
    QTest::newRow("error, advanced") << int(RUN_MODE_ADVANCED) << 0x01 << "./images/alert.png";
    QTest::newRow("error, plain run") << 0 << 0x01 << "./images/blank.png";
    QTest::newRow("test passed with error, advanced") << int(RUN_MODE_ADVANCED) << 0x11 << "./images/blank.png";
    QTest::newRow("normal, advanced") << int(RUN_MODE_ADVANCED) << 0 << "./images/blank.png";
}

void tst_DeviceRows::titleIconShowsErrorsInAdvancedMode()
{
    QFETCH(int, mode);
    QFETCH(int, status);
    QFETCH(QString, image);
    makeWindow(RUN_MODE(mode));
    ArdentixDevice device = onlineDevice("10.77.0.100", "02:A0:00:00:00:01");
    m_window->AddDeviceToList(device);
    device.deviceStatus = quint32(status);
    m_window->AddDeviceToList(device);
    QCOMPARE(imageOf(model()->item(0, 1)->icon()), imageOf(image));
    m_window->removeDeviceFromList(device.macAddress);
    m_window->AddDeviceToList(device);
    QCOMPARE(imageOf(model()->item(0, 1)->icon()), imageOf(image));
}

void tst_DeviceRows::connectivityCell_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("suspended");
    QTest::addColumn<bool>("axgui");
    QTest::addColumn<bool>("ip");
    QTest::addColumn<bool>("user");
    QTest::addColumn<bool>("vek");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("tip");
    QTest::newRow("lost, suspended") << 2 << true << true << true << false << true << "images/button_colour5.png"
                                     << "Connectivity Suspended";
    QTest::newRow("offline") << 3 << false << true << true << false << true << "images/button_colour3.png"
                             << "Connectivity lost";
    QTest::newRow("web interface") << 1 << true << true << true << false << true << "images/button_colour1.png"
                                   << "Full connectivity";
    QTest::newRow("user device with web interface")
        << 0 << false << true << false << true << false << "images/button_colour1.png" << "Full connectivity";
    QTest::newRow("IP") << 1 << false << false << true << false << false << "images/button_colour4.png"
                        << "Limited IP Connectivity";
    QTest::newRow("user device") << 1 << false << false << false << true << false << "images/button_colour4.png"
                                 << "Limited IP Connectivity";
    QTest::newRow("link level") << 1 << false << true << false << false << true << "images/button_colour2.png"
                                << "Limited Connectivity";
    QTest::newRow("nothing") << 1 << false << false << false << false << false << "" << "";
}

void tst_DeviceRows::connectivityCell()
{
    QFETCH(int, state);
    QFETCH(bool, suspended);
    QFETCH(bool, axgui);
    QFETCH(bool, ip);
    QFETCH(bool, user);
    QFETCH(bool, vek);
    QFETCH(QString, image);
    QFETCH(QString, tip);
    makeWindow();
    m_window->setOfflineSuspension(suspended);
    ArdentixDevice device = onlineDevice("10.77.0.100", "02:A0:00:00:00:01");
    device.discoveryState = DISCOVERY_STATE(state);
    device.axguiSupport = axgui;
    device.ipConnectivity = ip;
    device.userDevice = user;
    device.vekConnectivity = vek;
    m_window->AddDeviceToList(device);
    const QString style = "QWidget {background: url(" + image + ") center no-repeat}";
    QCOMPARE(widgetAt<QWidget>(0, 11)->styleSheet(), style);
    QCOMPARE(widgetAt<QWidget>(0, 11)->toolTip(), tip);

    // A refresh restyles the same cell.
    device.discoveryState = DISCOVERY_ONLINE;
    device.ipConnectivity = true;
    device.axguiSupport = false;
    m_window->AddDeviceToList(device);
    QCOMPARE(widgetAt<QWidget>(0, 11)->toolTip(), QString("Limited IP Connectivity"));
}

void tst_DeviceRows::toolbarBadgeAndLock()
{
    makeWindow();
    ArdentixDevice device = onlineDevice("10.77.0.100", "02:A0:00:00:00:01");
    device.discoveryState = DISCOVERY_LOST;
    m_window->AddDeviceToList(device);
    auto *toolbar = widgetAt<DeviceToolbarWidget>(0, 12);
    auto *badge = toolbar->findChild<QLabel *>("stateLabel");
    auto *lock = toolbar->findChild<QLabel *>("secureLabel");
    QCOMPARE(imageOf(QIcon(badge->pixmap())), imageOf("images/lost_device.png"));

    device.discoveryState = DISCOVERY_NEW;
    device.securityStatus = SECURITY_FULL;
    m_window->AddDeviceToList(device);
    QCOMPARE(imageOf(QIcon(badge->pixmap())), imageOf("images/new_device.png"));
    QVERIFY(lock->pixmap().isNull());   // no secure gateway, no lock

    device.secureGwSupport = true;
    device.discoveryState = DISCOVERY_ONLINE;
    m_window->AddDeviceToList(device);
    QVERIFY(badge->pixmap().isNull());
    QCOMPARE(lock->toolTip(), QString("Full Security"));
    QVERIFY(toolbar->findChild<QPushButton *>("connectButton")->isEnabled());

    // While offline marking is suspended a lost device shows no lost badge.
    m_window->setOfflineSuspension(true);
    device.discoveryState = DISCOVERY_LOST;
    m_window->AddDeviceToList(device);
    QVERIFY(badge->pixmap().isNull());
    QVERIFY(!toolbar->findChild<QPushButton *>("connectButton")->isEnabled());
    m_window->setOfflineSuspension(false);
    m_window->AddDeviceToList(device);
    QCOMPARE(imageOf(QIcon(badge->pixmap())), imageOf("images/lost_device.png"));
}

void tst_DeviceRows::offlineDevices()
{
    makeWindow();
    QSignalSpy removed(m_window.data(), &AXTMainWindow::userDeviceRemoved);
    ArdentixDevice plain = onlineDevice("10.77.0.10", "02:A0:00:00:00:01");
    ArdentixDevice favourite = onlineDevice("10.77.0.20", "02:A0:00:00:00:02");
    favourite.favorite = true;
    ArdentixDevice user = userAdded("10.77.0.30");
    user.favorite = false;
    for (const ArdentixDevice &device : {plain, favourite, user})
        m_window->AddDeviceToList(device);

    // Suspended: nothing changes.
    m_window->setOfflineSuspension(true);
    for (ArdentixDevice device : {plain, favourite, user}) {
        device.discoveryState = DISCOVERY_OFFLINE;
        m_window->deviceOffline(device);
    }
    QCOMPARE(model()->rowCount(), 3);

    m_window->setOfflineSuspension(false);
    for (ArdentixDevice device : {plain, favourite, user}) {
        device.discoveryState = DISCOVERY_OFFLINE;
        device.ipAddress = QHostAddress("10.77.0.99");   // a favourite keeps its place
        m_window->deviceOffline(device);
    }
    QCOMPARE(column(6), QStringList({"02:A0:00:00:00:02"}));
    QCOMPARE(column(4), QStringList({"10.77.0.99"}));
    QCOMPARE(widgetAt<QWidget>(0, 11)->toolTip(), QString("Connectivity lost"));
    QCOMPARE(model()->item(0, 0)->data(AXTMainWindow::DiscoveryStateRole).toInt(), int(DISCOVERY_OFFLINE));
    // The user-added device left the store's lists too, by its address.
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.at(0).at(0).toString(), QString("10.77.0.30"));

    // An unknown favourite changes nothing.
    ArdentixDevice stranger = favourite;
    stranger.setMacString("02:A0:00:00:00:99");
    m_window->deviceOffline(stranger);
    QCOMPARE(model()->rowCount(), 1);
}

void tst_DeviceRows::removingRows()
{
    makeWindow();
    QSignalSpy removed(m_window.data(), &AXTMainWindow::userDeviceRemoved);
    m_window->AddDeviceToList(onlineDevice("10.77.0.10", "02:A0:00:00:00:01"));
    m_window->AddDeviceToList(userAdded("10.77.0.20"));
    m_window->removeDeviceFromList("02:A0:00:00:00:01");
    QCOMPARE(removed.size(), 0);
    m_window->removeDeviceFromList("02:A0:00:00:00:77");
    QCOMPARE(model()->rowCount(), 1);

    // The store answers the removal by dropping rows of its own first.
    m_window->AddDeviceToList(onlineDevice("10.77.0.5", "02:A0:00:00:00:05"));
    connect(m_window.data(), &AXTMainWindow::userDeviceRemoved, this,
            [this] { m_window->removeDeviceFromList("02:A0:00:00:00:05"); });
    m_window->removeDeviceFromList("Pending (10.77.0.20)");
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.at(0).at(0).toString(), QString("10.77.0.20"));
    QCOMPARE(model()->rowCount(), 0);
}

void tst_DeviceRows::removeButtonOfAUserDevice()
{
    makeWindow();
    m_window->resize(1024, 610);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    QSignalSpy removed(m_window.data(), &AXTMainWindow::userDeviceRemoved);
    m_window->AddDeviceToList(onlineDevice("10.77.0.10", "02:A0:00:00:00:01"));
    m_window->AddDeviceToList(userAdded("10.77.0.20"));
    QPointer<UserDeviceButton> button = widgetAt<UserDeviceButton>(1, 8);

    whenModalUp([](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        for (QAbstractButton *choice : box->buttons())
            if (choice->text() == "Remove")
                choice->click();
    });
    QTest::mousePress(button, Qt::LeftButton, {}, indicatorPoint(button));
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.at(0).at(0).toString(), QString("10.77.0.20"));
    QCOMPARE(column(4), QStringList({"10.77.0.10"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!button);

    // The row goes while the box is up: the button's question ends quietly.
    m_window->AddDeviceToList(userAdded("10.77.0.30"));
    button = widgetAt<UserDeviceButton>(1, 8);
    whenModalUp([this](QWidget *) {
        m_window->removeDeviceFromList("Pending (10.77.0.30)");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    QTest::mousePress(button, Qt::LeftButton, {}, indicatorPoint(button));
    QVERIFY(!button);
    QCOMPARE(removed.size(), 2);
    QCOMPARE(model()->rowCount(), 1);
}

void tst_DeviceRows::refreshKeepsUserChoices()
{
    makeWindow();
    ArdentixDevice device = onlineDevice("10.77.0.10", "02:A0:00:00:00:01");
    m_window->AddDeviceToList(device);
    auto *star = widgetAt<FavoriteDeviceButton>(0, 10);
    QVERIFY(!star->isChecked());
    device.favorite = true;
    m_window->AddDeviceToList(device);
    QVERIFY(star->isChecked());
    // Only the user clears the star.
    device.favorite = false;
    m_window->AddDeviceToList(device);
    QVERIFY(star->isChecked());

    // A device that became user-added gets its remove button on the next refresh.
    device.userDevice = true;
    m_window->AddDeviceToList(device);
    auto *remove = widgetAt<UserDeviceButton>(0, 8);
    QVERIFY(remove && remove->isChecked());
    remove->setChecked(false);
    m_window->AddDeviceToList(device);
    QCOMPARE(widgetAt<UserDeviceButton>(0, 8), remove);
    QVERIFY(remove->isChecked());
    // Its removal is a user device's: the store is told.
    QCOMPARE(model()->item(0, 0)->data(AXTMainWindow::UserDeviceRole), QVariant(true));

    device.userDevice = false;
    m_window->AddDeviceToList(device);
    QCOMPARE(model()->item(0, 8)->text(), QString(" "));
}

void tst_DeviceRows::pausedWindowTakesNoUpdates()
{
    makeWindow();
    m_window->AddDeviceToList(onlineDevice("10.77.0.10", "02:A0:00:00:00:01"));
    m_window->AddDeviceToList(onlineDevice("10.77.0.20", "02:A0:00:00:00:02"));
    emit m_root->_signal_up_pause_update(true);   // no effect: the window listens to the controller
    m_window->pause_updates_toggle(true);
    ArdentixDevice renamed = onlineDevice("10.77.0.10", "02:A0:00:00:00:01");
    renamed.configTitle = "Renamed";
    m_window->AddDeviceToList(renamed);
    m_window->AddDeviceToList(onlineDevice("10.77.0.30", "02:A0:00:00:00:03"));
    QCOMPARE(column(1), QStringList({"Gateway 10.77.0.10", "Gateway 10.77.0.20"}));
    m_window->deviceOffline(onlineDevice("10.77.0.20", "02:A0:00:00:00:02"));
    m_window->removeDeviceFromList("02:A0:00:00:00:01");
    QCOMPARE(model()->rowCount(), 0);
    m_window->pause_updates_toggle(false);
    m_window->AddDeviceToList(renamed);
    QCOMPARE(column(1), QStringList({"Renamed"}));
}

void tst_DeviceRows::unfavouritedOfflineRowGoes()
{
    makeWindow();
    m_window->resize(1024, 610);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    ArdentixDevice offline = onlineDevice("10.77.0.10", "02:A0:00:00:00:01");
    offline.favorite = true;
    offline.discoveryState = DISCOVERY_OFFLINE;
    m_window->AddDeviceToList(offline);
    ArdentixDevice online = onlineDevice("10.77.0.20", "02:A0:00:00:00:02");
    online.favorite = true;
    m_window->AddDeviceToList(online);
    QSignalSpy changed(m_window.data(), &AXTMainWindow::deviceFavoriteChangedSignal);

    auto *onlineStar = widgetAt<FavoriteDeviceButton>(1, 10);
    QTest::mouseClick(onlineStar, Qt::LeftButton, {}, indicatorPoint(onlineStar));
    QCOMPARE(model()->rowCount(), 2);
    auto *offlineStar = widgetAt<FavoriteDeviceButton>(0, 10);
    QTest::mouseClick(offlineStar, Qt::LeftButton, {}, indicatorPoint(offlineStar));
    QCOMPARE(column(6), QStringList({"02:A0:00:00:00:02"}));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.at(1), QVariantList({QString("02:A0:00:00:00:01"), false}));
}

void tst_DeviceRows::detailsRowIsFilled()
{
    makeWindow();
    m_window->AddDeviceToList(onlineDevice("10.77.0.10", "02:A0:00:00:00:01"));
    m_window->AddDeviceToList(onlineDevice("10.77.0.20", "02:A0:00:00:00:02"));
    auto *details = new QTableWidget(1, 9);
    table()->setIndexWidget(model()->index(1, 0), details);
    model()->item(0, 0)->setData(true, AXTMainWindow::DetailsRowRole);

    ArdentixDevice device = onlineDevice("10.77.0.10", "02:A0:00:00:00:01");
    device.setDisplayMacString("02:A0:00:00:00:0A");
    device.devicePlatform = "AX-T300";
    device.rebootTime = "boot";
    device.firmwareVersion = "6.21.0";
    device.buildRevision = "r1";
    device.buildDate = "today";
    device.deviceStatus = DEVICE_STATUS_TEST_FAILED;
    device.hotStandbyState = "Standby";
    m_window->AddDeviceToList(device);
    QStringList cells;
    for (int cell = 0; cell < 9; ++cell)
        cells << details->item(0, cell)->text();
    QCOMPARE(cells, QStringList({"AX-T300", "02:A0:00:00:00:01", "02:A0:00:00:00:0A", "boot", "6.21.0", "r1",
                                 "today", "Test Failed", "Standby"}));
}

void tst_DeviceRows::rebuiltRowsLeaveNothingBehind()
{
    makeWindow();
    QList<QPointer<QObject>> rowObjects;
    const auto collect = [&] {
        for (int row = 0; row < model()->rowCount(); ++row) {
            auto *toolbar = widgetAt<DeviceToolbarWidget>(row, 12);
            rowObjects << toolbar << toolbar->bus << widgetAt<QObject>(row, 10) << widgetAt<QObject>(row, 11)
                       << widgetAt<QObject>(row, 8);
        }
    };
    for (int round = 0; round < 3; ++round) {
        // Every device changes its address, so every row is made anew.
        for (int device = 0; device < 20; ++device) {
            ArdentixDevice record = userAdded(QStringLiteral("10.77.%1.%2").arg(round).arg(device + 1));
            record.setMacString(QStringLiteral("02:A0:00:00:00:%1").arg(device, 2, 10, QChar('0')));
            m_window->AddDeviceToList(record);
        }
        collect();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QCOMPARE(model()->rowCount(), 20);
    int alive = 0;
    for (const QPointer<QObject> &object : rowObjects)
        alive += !object.isNull();
    QCOMPARE(alive, 20 * 5);
    QCOMPARE(table()->viewport()->findChildren<DeviceToolbarWidget *>().size(), 20);

    for (int device = 0; device < 20; ++device)
        m_window->removeDeviceFromList(QStringLiteral("02:A0:00:00:00:%1").arg(device, 2, 10, QChar('0')));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const QPointer<QObject> &object : rowObjects)
        QVERIFY(object.isNull());
}

// A table on screen makes the widgets of the rows it shows; a row further
// down gets them when scrolled to, showing what its updates since said.
void tst_DeviceRows::rowsGetTheirWidgetsWhenInSight()
{
    makeWindow();
    m_window->resize(1024, 610);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    const int rows = 80;
    for (int device = 0; device < rows; ++device) {
        m_window->AddDeviceToList(onlineDevice(QStringLiteral("10.77.0.%1").arg(device + 1),
                                               QStringLiteral("02:A0:00:00:00:%1").arg(device, 2, 16, QChar('0'))));
    }
    const int last = rows - 1;
    QVERIFY(widgetAt<DeviceToolbarWidget>(0, 12));
    QVERIFY(!widgetAt<QWidget>(last, 12));

    ArdentixDevice device = onlineDevice("10.77.0.80", "02:A0:00:00:00:4f");
    device.secureGwSupport = true;
    device.securityStatus = SECURITY_FULL;
    device.favorite = true;
    m_window->AddDeviceToList(device);
    device.favorite = false;
    device.userDevice = true;
    device.discoveryState = DISCOVERY_LOST;
    m_window->AddDeviceToList(device);
    QVERIFY(!widgetAt<QWidget>(last, 12));

    table()->scrollToBottom();
    auto *toolbar = widgetAt<DeviceToolbarWidget>(last, 12);
    QVERIFY(toolbar);
    QCOMPARE(toolbar->findChild<QLabel *>("secureLabel")->toolTip(), QString("Full Security"));
    QCOMPARE(imageOf(QIcon(toolbar->findChild<QLabel *>("stateLabel")->pixmap())),
             imageOf("images/lost_device.png"));
    QVERIFY(!toolbar->findChild<QPushButton *>("connectButton")->isEnabled());
    QVERIFY(widgetAt<FavoriteDeviceButton>(last, 10)->isChecked());
    QVERIFY(widgetAt<UserDeviceButton>(last, 8));
    QCOMPARE(widgetAt<QWidget>(last, 11)->toolTip(), QString("Connectivity lost"));

    // A row added above the view pushes the one above the view into sight.
    table()->verticalScrollBar()->setValue(40);
    m_window->AddDeviceToList(onlineDevice("10.76.0.1", "02:A0:00:00:01:00"));
    QVERIFY(widgetAt<DeviceToolbarWidget>(table()->rowAt(0), 12));
}

QTEST_MAIN(tst_DeviceRows)
#include "tst_devicerows.moc"
