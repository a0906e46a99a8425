// What the Configure Device and network settings windows show and which
// windows they keep open, driven through a bus root by hand.
#include "ui/device/configuredevicewidget.h"
#include "ui/device/filetransferwidget.h"
#include "ui/device/ipconfigwidget.h"
#include "ui/device/settimewidget.h"

#include "model/axmetatypes.h"
#include "model/axsignalobject.h"

#include "messageboxanswerer.h"
#include "testsandbox.h"
#include "toplevelwidgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

class tst_ConfigureDeviceWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void addressFieldsTurnRedAndHoldUpdate();
    void childWindowsAreOneOfEachAndSettingsCloseTheTree();
    void fileTransferTakesTheFlagsAndClosesTheTreeAfterARestart();

private:
    static ArdentixDevice gateway();
    template<typename W>
    static QList<W *> windows();
};

namespace {

const QByteArray kSettings = "N1_IP = 10.77.0.2\nN1_NETMASK = 255.255.255.0\nN1_GATEWAY = 10.77.0\n";

void deleteClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

void tst_ConfigureDeviceWidget::initTestCase()
{
    registerAxMetaTypes();
}

ArdentixDevice tst_ConfigureDeviceWidget::gateway()
{
    ArdentixDevice device;
    device.configTitle = QStringLiteral("Boiler House");
    device.ipAddress = QHostAddress(QStringLiteral("10.77.0.2"));
    device.setMacString(QStringLiteral("02:A0:00:00:00:01"));
    device.platformCode = 301;
    device.ipConnectivity = true;
    device.jsonSupport = true;
    return device;
}

template<typename W>
QList<W *> tst_ConfigureDeviceWidget::windows()
{
    QList<W *> shown = topLevelWidgetsOf<W>();
    shown.removeIf([](W *window) { return !window->isVisible(); });
    return shown;
}

void tst_ConfigureDeviceWidget::addressFieldsTurnRedAndHoldUpdate()
{
    AxSignalObject root;
    IpConfigWidget window(nullptr, &root, gateway());
    auto *update = window.findChild<QPushButton *>("updateIpButton");
    auto *address = window.findChild<QLineEdit *>("n1IpEdit");
    auto *gatewayEdit = window.findChild<QLineEdit *>("N1defaultGatewayEdit");
    root._slot_down_file_received("ax_tcp.ini", kSettings, true, gateway());
    QVERIFY(window.findChild<QWidget *>("n1defaultGatewayFrame")->isVisibleTo(&window));
    QVERIFY(!window.findChild<QWidget *>("loadingFrame")->isVisibleTo(&window));

    // The device's own file named no usable gateway.
    QCOMPARE(gatewayEdit->styleSheet(), QString("background-color: #FF3333"));
    QVERIFY(!update->isEnabled());
    QTest::keyClicks(gatewayEdit, ".1");
    QCOMPARE(gatewayEdit->styleSheet(), QString("background-color: #33FF33"));
    QVERIFY(update->isEnabled());

    address->clear();
    QTest::keyClicks(address, "10.77.0.");
    QCOMPARE(address->styleSheet(), QString("background-color: #FF3333"));
    QVERIFY(!update->isEnabled());
    QTest::keyClicks(address, "9");
    QVERIFY(update->isEnabled());
}

void tst_ConfigureDeviceWidget::childWindowsAreOneOfEachAndSettingsCloseTheTree()
{
    TestSandbox sandbox;   // the settings' local copy lands here
    AxSignalObject root;
    QSignalSpy fileRequests(&root, &AxSignalObject::_signal_up_get_file);
    QSignalSpy sends(&root, &AxSignalObject::_signal_up_send_file);
    QSignalSpy restarts(&root, &AxSignalObject::_signal_up_restart_device);

    ArdentixDevice vekOnly = gateway();
    vekOnly.jsonSupport = false;
    QPointer<ConfigureDeviceWidget> configure = new ConfigureDeviceWidget(nullptr, &root, vekOnly, 0);
    QVERIFY(!configure->findChild<QPushButton *>("synchTimeButton")->isEnabled());
    QVERIFY(configure->findChild<QPushButton *>("sendFileButton")->isEnabled());
    configure->close();
    deleteClosedWindows();

    configure = new ConfigureDeviceWidget(nullptr, &root, gateway(), 0);
    configure->findChild<QPushButton *>("setIpButton")->click();
    configure->findChild<QPushButton *>("setIpButton")->click();
    configure->findChild<QPushButton *>("synchTimeButton")->click();
    QCOMPARE(fileRequests.count(), 2);
    QCOMPARE(windows<IpConfigWidget>().size(), 1);
    QCOMPARE(windows<SetTimeWidget>().size(), 1);

    IpConfigWidget *settings = windows<IpConfigWidget>().first();
    root._slot_down_file_received("ax_tcp.ini", QByteArray(kSettings).replace("10.77.0\n", "10.77.0.1\n"), true,
                                  gateway());
    QTimer::singleShot(0, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->defaultButton()->click();   // "Change and restart"
    });
    settings->findChild<QPushButton *>("updateIpButton")->click();
    QCOMPARE(sends.count(), 1);
    root._slot_down_file_send_complete(sends.at(0).at(0).toStringList().first(), FILE_TRANSFER_COMPLETE, 100.0f,
                                       gateway());
    QCOMPARE(restarts.count(), 1);
    deleteClosedWindows();
    deleteClosedWindows();
    QVERIFY(!configure);
    QVERIFY(windows<IpConfigWidget>().isEmpty());
    // The time window takes no part in closing the tree.
    QCOMPARE(windows<SetTimeWidget>().size(), 1);
    windows<SetTimeWidget>().first()->close();
    deleteClosedWindows();
}

void tst_ConfigureDeviceWidget::fileTransferTakesTheFlagsAndClosesTheTreeAfterARestart()
{
    AxSignalObject root;
    MessageBoxAnswerer boxes;
    boxes.answers.insert(QStringLiteral("Restart Device?"), QStringLiteral("Restart"));
    QSignalSpy flashSizeQuestions(&root, &AxSignalObject::_signal_up_get_flash_size);
    QSignalSpy restarts(&root, &AxSignalObject::_signal_up_restart_device);
    QPointer<ConfigureDeviceWidget> configure = new ConfigureDeviceWidget(nullptr, &root, gateway(), 0x4);
    configure->findChild<QPushButton *>("sendFileButton")->click();
    configure->findChild<QPushButton *>("sendFileButton")->click();
    QCOMPARE(windows<FileTransferWidget>().size(), 1);
    QCOMPARE(flashSizeQuestions.count(), 1);
    FileTransferWidget *transfer = windows<FileTransferWidget>().first();
    QCOMPARE(transfer->findChild<QTabWidget *>("tabWidget")->count(), 2);

    transfer->session()->addFiles(FileTransferSession::ConfigFile, {"/data/config.csv"});
    QVERIFY(transfer->session()->send(FileTransferSession::ConfigFile));
    root._slot_down_file_send_complete("/data/config.csv", FILE_TRANSFER_COMPLETE, 100.0f, gateway());
    QTRY_VERIFY(!configure);
    QCOMPARE(restarts.count(), 1);
    QVERIFY(windows<FileTransferWidget>().isEmpty());
}

QTEST_MAIN(tst_ConfigureDeviceWidget)
#include "tst_configuredevicewidget.moc"
