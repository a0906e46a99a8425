#include "ui/main/devicetoolbarwidget.h"

#include "model/axsignalobject.h"
#include "model/configsettings.h"
#include "ui/device/devicedebugwidget.h"

#include "rowtesthelpers.h"
#include "testsandbox.h"
#include "toplevelwidgets.h"
#include "urlrecorder.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include <memory>

using namespace RowTest;

namespace {

const char *const kIp = "10.77.0.100";
const char *const kUnableToConnect = "Unable to connect. Please see Help for more information.";
const char *const kUnableToDiagnose = "Unable to diagnose. Please see Help for more information.";

// Records the presses that reach the widget under the toolbar.
class PressRecorder : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

} // namespace

class tst_DeviceToolbarWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void buttonsFollowTheDevice_data();
    void buttonsFollowTheDevice();
    void restrictedModeHidesDiagnose();
    void connectOpensTheWebGui_data();
    void connectOpensTheWebGui();
    void namedBrowserGetsTheAddress();
    void browserThatDoesNotStartIsShown();
    void connectStartsKovnet_data();
    void connectStartsKovnet();
    void connectDoesNothing_data();
    void connectDoesNothing();
    void missingKovnetIsExplained();
    void diagnoseOpensTheDiagnosticsPage();
    void diagnoseOpensOneWindowPerClick();
    void menuOnlyOverTheConnectButton();
    void menuOffersKovnetAndRecovery_data();
    void menuOffersKovnetAndRecovery();
    void menuChoicesStartTheirAction();
    void noMenuForSomeDevices_data();
    void noMenuForSomeDevices();
    void securityLock_data();
    void securityLock();
    void discoveryBadge();
    void everyDeviceUpdateIsPassedOn();
    void heldButtonsPauseTheTable();
    void toolbarGoneWhileAButtonIsHeld();
    void busNodeGoesWithTheToolbar();
    void pressOnTheFreeAreaStaysInTheToolbar();

private:
    DeviceToolbarWidget *makeToolbar(const ArdentixDevice &device, RUN_MODE mode = RUN_MODE(0));
    ArdentixDevice device() const;
    void installKovnet();
    QString kovnetCalls() const;
    QStringList menuEntries(int globalX, const QString &choose = QString(), bool *enabledKovnet = nullptr);
    QPushButton *connectButton() const;
    QToolButton *diagnoseButton() const;

    std::unique_ptr<TestSandbox> m_sandbox;
    CONFIG_SETTINGS m_profile;
    std::unique_ptr<AxSignalObject> m_root;
    AxSignalObject *m_windowNode = nullptr;
    UrlRecorder m_browser;
    QPointer<DeviceToolbarWidget> m_toolbar;
    QPoint m_menuAt;   // where the last menu opened
};

void tst_DeviceToolbarWidget::initTestCase()
{
    // The maker's secure-gateway domain, read once at its first use.
    qputenv("AX_SECURE_GATEWAY_DOMAIN", "securegw.example");
}

void tst_DeviceToolbarWidget::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
    QVERIFY(copyImages(m_sandbox->path()));
    QVERIFY(QDir(m_sandbox->path()).mkpath("tools"));
    QVERIFY(QDir(m_sandbox->path()).mkpath("work"));
    qunsetenv("KOVNET_STUB_LOG");

    m_profile = CONFIG_SETTINGS();
    m_profile.useDefaultBrowser = true;
    m_profile.browserPath.clear();
    m_profile.toolsPath = m_sandbox->filePath("tools");
    m_profile.workingPath = m_sandbox->filePath("work");
    // The main window's node stands between the root and each toolbar.
    m_root = std::make_unique<AxSignalObject>(nullptr);
    m_root->settings = &m_profile;
    m_windowNode = new AxSignalObject(m_root.get());

    m_browser.urls.clear();
    QDesktopServices::setUrlHandler("http", &m_browser, "open");
    QDesktopServices::setUrlHandler("https", &m_browser, "open");
}

void tst_DeviceToolbarWidget::cleanup()
{
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
    delete m_toolbar;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_root.reset();
    m_sandbox.reset();
}

DeviceToolbarWidget *tst_DeviceToolbarWidget::makeToolbar(const ArdentixDevice &device, RUN_MODE mode)
{
    m_toolbar = new DeviceToolbarWidget(nullptr, m_windowNode, device, mode);
    m_toolbar->resize(190, 30);
    m_toolbar->move(300, 200);
    m_toolbar->show();
    return m_toolbar;
}

ArdentixDevice tst_DeviceToolbarWidget::device() const
{
    return onlineDevice(kIp, "02:A0:00:00:00:01");
}

QPushButton *tst_DeviceToolbarWidget::connectButton() const
{
    return m_toolbar->findChild<QPushButton *>("connectButton");
}

QToolButton *tst_DeviceToolbarWidget::diagnoseButton() const
{
    return m_toolbar->findChild<QToolButton *>("diagnoseToolButton");
}

void tst_DeviceToolbarWidget::installKovnet()
{
    const QString tool = m_sandbox->filePath("tools/kovnet");
    QVERIFY(QFile::copy(AX_TESTS_SOURCE_DIR "/stubs/kovnet", tool));
    QVERIFY(QFile::setPermissions(tool, QFile::permissions(tool) | QFileDevice::ExeOwner));
}

// The stub writes its log into its working directory.
QString tst_DeviceToolbarWidget::kovnetCalls() const
{
    return readText(m_sandbox->filePath("work/kovnet-calls.txt"));
}

// Right-clicks the toolbar at a global x and reads the menu, choosing an entry if asked.
QStringList tst_DeviceToolbarWidget::menuEntries(int globalX, const QString &choose, bool *enabledKovnet)
{
    QStringList entries;
    const QPointer<QTimer> poll = whenPopupUp([&](QWidget *widget) {
        auto *menu = qobject_cast<QMenu *>(widget);
        QVERIFY(menu);
        m_menuAt = menu->pos();
        QAction *chosen = nullptr;
        for (QAction *action : menu->actions()) {
            entries << action->text();
            QVERIFY(!action->icon().isNull());
            if (action->text() == "KOVNET" && enabledKovnet)
                *enabledKovnet = action->isEnabled();
            if (action->text() == choose)
                chosen = action;
        }
        QVERIFY(!menu->defaultAction());
        if (chosen)
            menu->setActiveAction(chosen), QTest::keyClick(menu, Qt::Key_Return);
        else
            menu->close();
    });
    const QPoint topLeft = m_toolbar->mapToGlobal(QPoint(0, 0));
    const QPoint global(globalX, topLeft.y() + 12);
    QContextMenuEvent event(QContextMenuEvent::Mouse, m_toolbar->mapFromGlobal(global), global);
    QApplication::sendEvent(m_toolbar, &event);
    delete poll.data();
    return entries;
}

void tst_DeviceToolbarWidget::buttonsFollowTheDevice_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("ip");
    QTest::addColumn<bool>("duplicate");
    QTest::addColumn<bool>("user");
    QTest::addColumn<bool>("vek");
    QTest::addColumn<bool>("json");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("connect");
    QTest::addColumn<bool>("diagnose");

    QTest::newRow("online") << int(DISCOVERY_ONLINE) << true << false << false << true << false << 0 << true << true;
    QTest::newRow("new") << int(DISCOVERY_NEW) << true << false << false << true << false << 0 << true << true;
    QTest::newRow("lost") << int(DISCOVERY_LOST) << true << false << false << true << true << 0 << false << false;
    QTest::newRow("offline user device")
        << int(DISCOVERY_OFFLINE) << true << false << true << true << true << 0 << false << false;
    QTest::newRow("duplicate address") << int(DISCOVERY_ONLINE) << true << true << false << true << true << 0
                                       << false << false;
    QTest::newRow("link level only") << int(DISCOVERY_ONLINE) << false << false << false << true << true << 0
                                     << false << false;
    QTest::newRow("user device, link level")
        << int(DISCOVERY_ONLINE) << false << false << true << true << false << 0 << true << true;
    QTest::newRow("user device, JSON only")
        << int(DISCOVERY_ONLINE) << false << false << true << false << true << 0 << true << false;
    QTest::newRow("user device, nothing")
        << int(DISCOVERY_ONLINE) << false << false << true << false << false << 0 << false << false;
    QTest::newRow("restricted, no web interface")
        << int(DISCOVERY_ONLINE) << true << false << false << true << true << int(RUN_MODE_RESTRICTED) << false
        << false;
    QTest::newRow("restricted user device, link level")
        << int(DISCOVERY_ONLINE) << false << false << true << true << false << int(RUN_MODE_RESTRICTED) << true
        << true;
}

void tst_DeviceToolbarWidget::buttonsFollowTheDevice()
{
    QFETCH(int, state);
    QFETCH(bool, ip);
    QFETCH(bool, duplicate);
    QFETCH(bool, user);
    QFETCH(bool, vek);
    QFETCH(bool, json);
    QFETCH(int, mode);
    QFETCH(bool, connect);
    QFETCH(bool, diagnose);

    // A toolbar made for a lost device first: each update works the buttons out afresh.
    ArdentixDevice lost = device();
    lost.discoveryState = DISCOVERY_LOST;
    makeToolbar(lost, RUN_MODE(mode));
    ArdentixDevice record = device();
    record.discoveryState = DISCOVERY_STATE(state);
    record.ipConnectivity = ip;
    record.duplicateIpAddress = duplicate;
    record.userDevice = user;
    record.vekConnectivity = vek;
    record.jsonSupport = json;
    m_toolbar->setDevice(record);

    QCOMPARE(connectButton()->isEnabled(), connect);
    QCOMPARE(connectButton()->toolTip(), QString(connect ? "Connect" : kUnableToConnect));
    QCOMPARE(diagnoseButton()->isEnabled(), diagnose);
    QCOMPARE(diagnoseButton()->toolTip(), QString(diagnose ? "Diagnose" : kUnableToDiagnose));

    m_toolbar->setDevice(lost);
    QVERIFY(!connectButton()->isEnabled());
    QVERIFY(!diagnoseButton()->isEnabled());
}

void tst_DeviceToolbarWidget::restrictedModeHidesDiagnose()
{
    ArdentixDevice web = device();
    web.axguiSupport = true;
    makeToolbar(web, RUN_MODE_RESTRICTED);
    QVERIFY(diagnoseButton()->isHidden());
    QVERIFY(connectButton()->isEnabled());
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    QCOMPARE(m_browser.urls, QStringList({"http://10.77.0.100"}));
}

void tst_DeviceToolbarWidget::connectOpensTheWebGui_data()
{
    QTest::addColumn<bool>("secureGateway");
    QTest::addColumn<int>("security");
    QTest::addColumn<QString>("url");
    QTest::newRow("no secure gateway, full security") << false << 3 << "http://10.77.0.100";
    QTest::newRow("security disabled") << true << 0 << "http://10.77.0.100";
    QTest::newRow("HTTPS") << true << 1 << "https://10.77.0.100";
    QTest::newRow("secure domain failed") << true << 2 << "https://10-77-0-100.gw.securegw.example";
    QTest::newRow("full security") << true << 3 << "https://10-77-0-100.gw.securegw.example";
    QTest::newRow("unknown level") << true << 4 << "http://10.77.0.100";
}

void tst_DeviceToolbarWidget::connectOpensTheWebGui()
{
    QFETCH(bool, secureGateway);
    QFETCH(int, security);
    QFETCH(QString, url);
    installKovnet();
    ArdentixDevice web = device();
    web.axguiSupport = true;
    web.secureGwSupport = secureGateway;
    web.securityStatus = SECURITY_STATUS(security);
    makeToolbar(web);
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    QCOMPARE(m_browser.urls, QStringList({url}));
    QTest::qWait(100);
    QVERIFY(kovnetCalls().isEmpty());
}

void tst_DeviceToolbarWidget::namedBrowserGetsTheAddress()
{
    const QString log = m_sandbox->filePath("browser-calls.txt");
    const QString browser = m_sandbox->filePath("tools/browser");
    QVERIFY(writeRecordingProgram(browser, log));
    m_profile.useDefaultBrowser = false;
    m_profile.browserPath = browser;
    ArdentixDevice web = device();
    web.axguiSupport = true;
    web.secureGwSupport = true;
    web.securityStatus = SECURITY_HTTPS;
    makeToolbar(web);
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    QTRY_COMPARE(readText(log), QString("https://10.77.0.100\n--\n"));
    QVERIFY(m_browser.urls.isEmpty());

    // Without a program named, the default handler opens it after all.
    m_profile.browserPath.clear();
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    QCOMPARE(m_browser.urls, QStringList({"https://10.77.0.100"}));
}

void tst_DeviceToolbarWidget::browserThatDoesNotStartIsShown()
{
    m_profile.useDefaultBrowser = false;
    m_profile.browserPath = m_sandbox->filePath("tools/no-such-browser");
    ArdentixDevice web = device();
    web.axguiSupport = true;
    makeToolbar(web);
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    // Not modal: the table goes on behind it.
    auto *box = m_toolbar->findChild<QMessageBox *>();
    QVERIFY(box && box->isVisible() && !box->isModal());
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(box->windowTitle(), QString("Web Browser Not Started"));
    QVERIFY2(box->text().contains("\nhttp://10.77.0.100\n"), qPrintable(box->text()));

    // Diagnose tells it in the same box.
    web.diagSupport = true;
    m_toolbar->setDevice(web);
    QTest::mouseClick(diagnoseButton(), Qt::LeftButton);
    QCOMPARE(m_toolbar->findChildren<QMessageBox *>(), QList<QMessageBox *>({box}));
    QVERIFY(box->text().contains("http://10.77.0.100/diagnosticComponent/ui"));
}

void tst_DeviceToolbarWidget::connectStartsKovnet_data()
{
    QTest::addColumn<bool>("ip");
    QTest::addColumn<bool>("user");
    QTest::newRow("reachable device") << true << false;
    QTest::newRow("user device, link level only") << false << true;
}

void tst_DeviceToolbarWidget::connectStartsKovnet()
{
    QFETCH(bool, ip);
    QFETCH(bool, user);
    installKovnet();
    ArdentixDevice plain = device();
    plain.ipConnectivity = ip;
    plain.userDevice = user;
    makeToolbar(plain);
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    // "-i" and the address, started in the profile's working directory.
    QTRY_COMPARE(kovnetCalls(), QString("-i\n10.77.0.100\n--\n"));
    QVERIFY(m_browser.urls.isEmpty());
}

void tst_DeviceToolbarWidget::connectDoesNothing_data()
{
    QTest::addColumn<bool>("secureGateway");
    QTest::addColumn<int>("mode");
    QTest::newRow("secure gateway without web interface") << true << 0;
    QTest::newRow("restricted user device") << false << int(RUN_MODE_RESTRICTED);
}

void tst_DeviceToolbarWidget::connectDoesNothing()
{
    QFETCH(bool, secureGateway);
    QFETCH(int, mode);
    installKovnet();
    ArdentixDevice quiet = device();
    quiet.secureGwSupport = secureGateway;
    quiet.securityStatus = SECURITY_FULL;
    quiet.ipConnectivity = !(mode & RUN_MODE_RESTRICTED);
    quiet.userDevice = mode & RUN_MODE_RESTRICTED;
    makeToolbar(quiet, RUN_MODE(mode));
    QVERIFY(connectButton()->isEnabled());
    const QPointer<QTimer> poll = whenModalUp([](QWidget *box) { qobject_cast<QDialog *>(box)->reject(); });
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    QTest::qWait(200);
    QVERIFY(poll);   // no box came up
    delete poll.data();
    QVERIFY(kovnetCalls().isEmpty());
    QVERIFY(m_browser.urls.isEmpty());
}

void tst_DeviceToolbarWidget::missingKovnetIsExplained()
{
    makeToolbar(device());
    QString title, text;
    int buttons = 0;
    whenModalUp([&](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        QVERIFY(box);
        QCOMPARE(box->parentWidget(), m_toolbar.data());
        QCOMPARE(box->icon(), QMessageBox::Critical);
        title = box->windowTitle();
        text = box->text();
        buttons = box->buttons().size();
        box->accept();
    });
    QTest::mouseClick(connectButton(), Qt::LeftButton);
    QCOMPARE(title, QString("KOVNET not found"));
    QCOMPARE(text, QString(" KOVNET not found!\n\n Please check in your Toolbox settings that the \n"
                           " Tools Path points to a directory containing KOVNET."));
    QCOMPARE(buttons, 1);
    QTest::qWait(100);
    QVERIFY(kovnetCalls().isEmpty());
}

void tst_DeviceToolbarWidget::diagnoseOpensTheDiagnosticsPage()
{
    ArdentixDevice diag = device();
    diag.diagSupport = true;
    diag.secureGwSupport = true;
    diag.securityStatus = SECURITY_FULL;
    makeToolbar(diag);
    QTest::mouseClick(diagnoseButton(), Qt::LeftButton);
    // A secured device's pages are opened over HTTPS, as Connect opens them.
    QCOMPARE(m_browser.urls, QStringList({"https://10-77-0-100.gw.securegw.example/diagnosticComponent/ui"}));

    diag.diagSupport = false;
    m_toolbar->setDevice(diag);
    QTest::mouseClick(diagnoseButton(), Qt::LeftButton);
    QCOMPARE(m_browser.urls.size(), 1);
    QVERIFY(topLevelWidgetsOf<DeviceDebugWidget>().isEmpty());
}

void tst_DeviceToolbarWidget::diagnoseOpensOneWindowPerClick()
{
    QTest::failOnWarning(QRegularExpression("QObject::connect"));
    makeToolbar(device());
    QTest::mouseClick(diagnoseButton(), Qt::LeftButton);
    QTest::mouseClick(diagnoseButton(), Qt::LeftButton);
    QList<QPointer<DeviceDebugWidget>> windows;
    for (DeviceDebugWidget *window : topLevelWidgetsOf<DeviceDebugWidget>())
        windows << window;
    QCOMPARE(windows.size(), 2);
    for (const QPointer<DeviceDebugWidget> &window : windows) {
        QVERIFY(window->isVisible());
        QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(window->windowTitle(), QString("Device Diagnostics"));
        QCOMPARE(window->bus->upstream.data(), m_toolbar->bus);
    }
    QVERIFY(m_browser.urls.isEmpty());
    m_toolbar->setDevice(device());

    // The row goes: its diagnostics windows close and go too.
    delete m_toolbar;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const QPointer<DeviceDebugWidget> &window : windows)
        QVERIFY(!window);
}

void tst_DeviceToolbarWidget::menuOnlyOverTheConnectButton()
{
    makeToolbar(device());
    const int left = m_toolbar->mapToGlobal(QPoint(0, 0)).x() + 85;
    const int width = connectButton()->width();
    QVERIFY(menuEntries(left - 1).isEmpty());   // over the badge
    QCOMPARE(menuEntries(left), QStringList({"KOVNET"}));
    QCOMPARE(m_menuAt, m_toolbar->mapToGlobal(QPoint(85, 20)));
    QCOMPARE(menuEntries(left + width), QStringList({"KOVNET"}));
    QVERIFY(menuEntries(left + width + 1).isEmpty());
}

void tst_DeviceToolbarWidget::menuOffersKovnetAndRecovery_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("json");
    QTest::addColumn<bool>("vek");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("plain run") << 0 << true << true << QStringList({"KOVNET"});
    QTest::newRow("advanced") << int(RUN_MODE_ADVANCED) << true << true << QStringList({"KOVNET", "RECOVERY"});
    QTest::newRow("subnet ping") << int(RUN_MODE_SUBNET_PING) << true << false
                                 << QStringList({"KOVNET", "RECOVERY"});
    QTest::newRow("advanced, no JSON") << int(RUN_MODE_ADVANCED) << false << true << QStringList({"KOVNET"});
}

void tst_DeviceToolbarWidget::menuOffersKovnetAndRecovery()
{
    QFETCH(int, mode);
    QFETCH(bool, json);
    QFETCH(bool, vek);
    QFETCH(QStringList, entries);
    ArdentixDevice record = device();
    record.jsonSupport = json;
    record.vekConnectivity = vek;
    makeToolbar(record, RUN_MODE(mode));
    bool kovnetEnabled = !vek;
    QCOMPARE(menuEntries(m_toolbar->mapToGlobal(QPoint(0, 0)).x() + 90, QString(), &kovnetEnabled), entries);
    QCOMPARE(kovnetEnabled, vek);
}

void tst_DeviceToolbarWidget::menuChoicesStartTheirAction()
{
    installKovnet();
    ArdentixDevice record = device();
    record.jsonSupport = true;
    record.axguiSupport = true;
    makeToolbar(record, RUN_MODE_ADVANCED);
    const int x = m_toolbar->mapToGlobal(QPoint(0, 0)).x() + 90;
    menuEntries(x, "RECOVERY");
    QCOMPARE(m_browser.urls, QStringList({"http://10.77.0.100/recovery.cgi"}));
    menuEntries(x, "KOVNET");
    QTRY_COMPARE(kovnetCalls(), QString("-i\n10.77.0.100\n--\n"));
    menuEntries(x);
    QTest::qWait(100);
    QCOMPARE(kovnetCalls(), QString("-i\n10.77.0.100\n--\n"));
    QCOMPARE(m_browser.urls.size(), 1);
}

void tst_DeviceToolbarWidget::noMenuForSomeDevices_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("ip");
    QTest::addColumn<bool>("user");
    QTest::addColumn<bool>("secureGateway");
    QTest::newRow("restricted") << int(RUN_MODE_RESTRICTED | RUN_MODE_ADVANCED) << true << false << false;
    QTest::newRow("not reachable") << int(RUN_MODE_ADVANCED) << false << false << false;
    QTest::newRow("secure gateway") << 0 << true << false << true;
    QTest::newRow("user device not reachable") << 0 << false << true << false;
}

void tst_DeviceToolbarWidget::noMenuForSomeDevices()
{
    QFETCH(int, mode);
    QFETCH(bool, ip);
    QFETCH(bool, user);
    QFETCH(bool, secureGateway);
    ArdentixDevice record = device();
    record.ipConnectivity = ip;
    record.userDevice = user;
    record.secureGwSupport = secureGateway;
    makeToolbar(record, RUN_MODE(mode));
    const QStringList entries = menuEntries(m_toolbar->mapToGlobal(QPoint(0, 0)).x() + 90);
    // Only a user-added device gets a menu without being reachable.
    QCOMPARE(entries.isEmpty(), !user);
}

void tst_DeviceToolbarWidget::securityLock_data()
{
    QTest::addColumn<int>("security");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("tip");
    QTest::newRow("disabled") << 0 << "images/grey_lock.png" << "Security Disabled";
    QTest::newRow("HTTPS") << 1 << "images/yellow_lock.png" << "Limited Security";
    QTest::newRow("domain failed") << 2 << "images/yellow_lock.png" << "Limited Security";
    QTest::newRow("full") << 3 << "images/green_lock.png" << "Full Security";
    QTest::newRow("unknown") << 7 << "images/grey_lock.png" << "Security Disabled";
}

void tst_DeviceToolbarWidget::securityLock()
{
    QFETCH(int, security);
    QFETCH(QString, image);
    QFETCH(QString, tip);
    makeToolbar(device());
    auto *lock = m_toolbar->findChild<QLabel *>("secureLabel");
    QVERIFY(lock->pixmap().isNull());
    QSignalSpy updates(m_toolbar.data(), &DeviceToolbarWidget::update_device_signal);

    ArdentixDevice record = device();
    record.securityStatus = SECURITY_STATUS(security);
    m_toolbar->setSecurityStatus(record);
    QCOMPARE(lock->pixmap().toImage(), QPixmap(image).toImage());
    QCOMPARE(lock->toolTip(), tip);
    QCOMPARE(updates.size(), 0);

    // A lost device keeps the last lock, though the toolbar takes its record.
    record.discoveryState = DISCOVERY_LOST;
    record.securityStatus = security == 3 ? SECURITY_DISABLED : SECURITY_FULL;
    record.axguiSupport = true;
    m_toolbar->setSecurityStatus(record);
    QCOMPARE(lock->pixmap().toImage(), QPixmap(image).toImage());
    QCOMPARE(lock->toolTip(), tip);
    QVERIFY(connectButton()->isEnabled());   // buttons untouched
}

void tst_DeviceToolbarWidget::discoveryBadge()
{
    makeToolbar(device());
    auto *badge = m_toolbar->findChild<QLabel *>("stateLabel");
    QVERIFY(badge->pixmap().isNull());
    m_toolbar->showNewDevice();
    QCOMPARE(badge->pixmap().toImage(), QPixmap("images/new_device.png").toImage());
    m_toolbar->showLostDevice();
    QCOMPARE(badge->pixmap().toImage(), QPixmap("images/lost_device.png").toImage());
    m_toolbar->clearState();
    QVERIFY(badge->pixmap().isNull());
}

void tst_DeviceToolbarWidget::everyDeviceUpdateIsPassedOn()
{
    makeToolbar(device());
    QSignalSpy updates(m_toolbar.data(), &DeviceToolbarWidget::update_device_signal);
    ArdentixDevice renamed = device();
    renamed.configTitle = "Boiler room";
    m_toolbar->setDevice(renamed);
    m_toolbar->setDevice(renamed);
    QCOMPARE(updates.size(), 2);
    QCOMPARE(updates.at(1).at(0).value<ArdentixDevice>().configTitle, QString("Boiler room"));
}

void tst_DeviceToolbarWidget::heldButtonsPauseTheTable()
{
    ArdentixDevice web = device();
    web.axguiSupport = true;
    web.diagSupport = true;
    makeToolbar(web);
    QSignalSpy pause(m_root.get(), &AxSignalObject::_signal_up_pause_update);
    QTest::mousePress(connectButton(), Qt::LeftButton);
    QCOMPARE(pause.size(), 1);
    QCOMPARE(pause.at(0).at(0).toBool(), true);
    QTest::mouseRelease(connectButton(), Qt::LeftButton);
    QCOMPARE(pause.size(), 2);
    QCOMPARE(pause.at(1).at(0).toBool(), false);

    QTest::mousePress(diagnoseButton(), Qt::LeftButton);
    QTest::mouseRelease(diagnoseButton(), Qt::LeftButton);
    QCOMPARE(pause.size(), 4);
    QCOMPARE(pause.at(2).at(0).toBool(), true);
    QCOMPARE(pause.at(3).at(0).toBool(), false);

    // Nothing held: going away sends nothing.
    delete m_toolbar;
    QCOMPARE(pause.size(), 4);
}

void tst_DeviceToolbarWidget::toolbarGoneWhileAButtonIsHeld()
{
    makeToolbar(device());
    QSignalSpy pause(m_root.get(), &AxSignalObject::_signal_up_pause_update);
    QTest::mousePress(diagnoseButton(), Qt::LeftButton);
    QCOMPARE(pause.size(), 1);
    // The row goes before the button comes up: the table must take updates again.
    delete m_toolbar;
    QCOMPARE(pause.size(), 2);
    QCOMPARE(pause.at(1).at(0).toBool(), false);
}

void tst_DeviceToolbarWidget::busNodeGoesWithTheToolbar()
{
    makeToolbar(device());
    QPointer<AxSignalObject> node = m_toolbar->bus;
    QVERIFY(node);
    QCOMPARE(node->upstream.data(), m_windowNode);
    QCOMPARE(node->settings, &m_profile);
    delete m_toolbar;
    QVERIFY(!node);
}

void tst_DeviceToolbarWidget::pressOnTheFreeAreaStaysInTheToolbar()
{
    PressRecorder table;
    table.resize(400, 100);
    m_toolbar = new DeviceToolbarWidget(&table, m_windowNode, device(), RUN_MODE(0));
    m_toolbar->setGeometry(200, 0, 190, 30);
    table.show();
    QTest::mouseClick(&table, Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(table.presses, 1);
    QTest::mouseClick(m_toolbar, Qt::LeftButton, {}, QPoint(2, 15));
    QCOMPARE(table.presses, 1);
    delete m_toolbar;
}

QTEST_MAIN(tst_DeviceToolbarWidget)
#include "tst_devicetoolbarwidget.moc"
