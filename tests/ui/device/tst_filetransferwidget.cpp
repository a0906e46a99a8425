// The file transfer window on a bus with no device behind it: the test chooses
// the files through the window's chooser and plays the device communications
// by sending the reports down the bus itself.
#include "ui/device/filetransferwidget.h"
#include "ui/device/logindialog.h"

#include "model/axmetatypes.h"

#include "messageboxanswerer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

class tst_FileTransferWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tabsListsAndChosenFiles();
    void reportsShownThenRestartClosesTheWindow();
    void refusedRowsAskOneLoginThatTheFirmwareNameKeeps();

private:
    static ArdentixDevice gateway();
    template<typename T>
    static T *child(QWidget *window, const char *name) { return window->findChild<T *>(QLatin1String(name)); }
    static void report(AxSignalObject &root, const QString &file, FILE_TRANSFER_STATE state, float percent = 0.0f);
};

void tst_FileTransferWidget::initTestCase()
{
    registerAxMetaTypes();
}

ArdentixDevice tst_FileTransferWidget::gateway()
{
    ArdentixDevice device;
    device.configTitle = QStringLiteral("Boiler House");
    device.ipAddress = QHostAddress(QStringLiteral("10.77.0.2"));
    device.setMacString(QStringLiteral("02:A0:00:00:00:01"));
    device.devicePlatform = QStringLiteral("AX-V60");
    device.firmwareFileName = QStringLiteral("axnode.img");
    return device;
}

void tst_FileTransferWidget::report(AxSignalObject &root, const QString &file, FILE_TRANSFER_STATE state,
                                    float percent)
{
    root._slot_down_file_send_complete(file, state, percent, gateway());
}

void tst_FileTransferWidget::tabsListsAndChosenFiles()
{
    CONFIG_SETTINGS config;
    config.workingPath = QStringLiteral("/work/ing");
    AxSignalObject root;
    root.settings = &config;
    FileTransferWidget window(nullptr, &root, gateway(), 0x4);
    QCOMPARE(window.windowTitle(), QStringLiteral("Send Files"));
    QCOMPARE(child<QLabel>(&window, "deviceNameLabel")->text(), QStringLiteral("Boiler House"));
    QCOMPARE(child<QLabel>(&window, "deviceIpLabel")->text(), QStringLiteral("10.77.0.2"));
    auto *tabs = child<QTabWidget>(&window, "tabWidget");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1), QStringLiteral("Update Firmware"));

    QStringList directories;
    QStringList filters;
    QStringList chosen;
    window.setFileChooser([&](QWidget *, const QString &caption, const QString &directory, const QString &filter) {
        if (caption == QLatin1String("Select files to send")) {
            directories << directory;
            filters << filter;
        }
        return chosen;
    });
    auto *table = child<QTableWidget>(&window, "ConfigFileListTableWidget");
    auto *send = child<QPushButton>(&window, "sendConfigFileButton");

    // Cancelled: nothing changes, but the working folder is where dialogs start.
    QTest::mouseClick(child<QPushButton>(&window, "addConfigFileButton"), Qt::LeftButton);
    QCOMPARE(table->rowCount(), 0);
    QVERIFY(!send->isEnabled());
    chosen = QStringList{"/data/site/delivery.csv", "/data/other/config.csv"};
    QTest::mouseClick(child<QPushButton>(&window, "addConfigFileButton"), Qt::LeftButton);
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Ready"));
    QCOMPARE(table->item(0, 0)->background().color(), QColor(Qt::lightGray));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("/data/site/delivery.csv"));
    QVERIFY(!(table->item(0, 1)->flags() & Qt::ItemIsEditable));
    QVERIFY(send->isEnabled());

    chosen = QStringList{"/data/fw/axnode.img"};
    QTest::mouseClick(child<QPushButton>(&window, "addFirmwareFileButton"), Qt::LeftButton);
    QCOMPARE(directories, QStringList({"/work/ing", "/work/ing", "/data/site"}));
    QCOMPARE(filters.last(), QStringLiteral("Firmware (axnode.img);;All Firmware (*.bin)"));

    // Cleared, the table keeps the header items the form's texts are written into.
    QTest::mouseClick(child<QPushButton>(&window, "clearConfigListButton"), Qt::LeftButton);
    QCOMPARE(table->rowCount(), 0);
    QVERIFY(!send->isEnabled());
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Status"));
}

void tst_FileTransferWidget::reportsShownThenRestartClosesTheWindow()
{
    AxSignalObject root;
    MessageBoxAnswerer boxes;
    boxes.answers.insert(QStringLiteral("Restart Device?"), QStringLiteral("Restart"));
    QPointer<FileTransferWidget> window = new FileTransferWidget(nullptr, &root, gateway(), 0);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setFileChooser([](QWidget *, const QString &, const QString &, const QString &) {
        return QStringList{"/data/fw/image.bin"};
    });
    QSignalSpy requests(&root, &AxSignalObject::_signal_up_send_file);
    QSignalSpy restarts(&root, &AxSignalObject::_signal_up_restart_device);
    QSignalSpy closing(window.data(), &FileTransferWidget::close_widget);
    auto *table = child<QTableWidget>(window, "firmwareFileListTableWidget");
    QTest::mouseClick(child<QPushButton>(window, "addFirmwareFileButton"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(window, "sendFirmwareFileButton"), Qt::LeftButton);

    // This platform takes any firmware image as bootmenu.exe.
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(1).toStringList(), QStringList{"bootmenu.exe"});
    QVERIFY(!child<QTabWidget>(window, "tabWidget")->isEnabled());
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Sending..."));
    QCOMPARE(table->item(0, 0)->background().color(), QColor(Qt::cyan));
    const QString file = QStringLiteral("/data/fw/image.bin");
    report(root, file, FILE_TRANSFER_IN_PROGRESS, 37.5f);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("37.5%"));
    report(root, file, FILE_TRANSFER_IN_PROGRESS, 5.0f);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("5.0%"));
    report(root, file, FILE_TRANSFER_IN_PROGRESS, 100.0f);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Writing to flash"));
    ArdentixDevice other = gateway();
    other.setMacString(QStringLiteral("02:A0:00:00:00:02"));
    root._slot_down_file_send_complete(file, FILE_TRANSFER_COMPLETE, 100.0f, other);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Writing to flash"));

    report(root, file, FILE_TRANSFER_COMPLETE, 100.0f);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Sent"));
    QCOMPARE(table->item(0, 0)->background().color(), QColor(Qt::darkGreen));
    QVERIFY(child<QTabWidget>(window, "tabWidget")->isEnabled());
    QTRY_VERIFY(window.isNull());
    QVERIFY(boxes.saw(QStringLiteral("Restart Device?")));
    QCOMPARE(restarts.count(), 1);
    QCOMPARE(closing.count(), 1);
    QCOMPARE(closing.at(0).at(0).toBool(), true);
}

void tst_FileTransferWidget::refusedRowsAskOneLoginThatTheFirmwareNameKeeps()
{
    AxSignalObject root;
    FileTransferWidget window(nullptr, &root, gateway(), 0);
    window.setFileChooser([](QWidget *, const QString &, const QString &, const QString &) {
        return QStringList{"/data/a.txt", "/data/b.txt"};
    });
    QSignalSpy requests(&root, &AxSignalObject::_signal_up_send_file);
    QTest::mouseClick(child<QPushButton>(&window, "addGeneralFileButton"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(&window, "sendGeneralFilesButton"), Qt::LeftButton);
    report(root, QStringLiteral("/data/a.txt"), FILE_TRANSFER_AUTH_REQUIRED);
    report(root, QStringLiteral("/data/b.txt"), FILE_TRANSFER_AUTH_REQUIRED);

    QList<LoginDialog *> dialogs;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<LoginDialog *>(widget); dialog && dialog->isVisible())
            dialogs << dialog;
    }
    QCOMPARE(dialogs.size(), 1);
    QTest::keyClicks(dialogs.first()->findChild<QLineEdit *>("passwordLineEdit"), QStringLiteral("secret"));
    QTest::mouseClick(dialogs.first()->findChild<QPushButton *>("loginButton"), Qt::LeftButton);
    QTRY_COMPARE(requests.count(), 2);
    QCOMPARE(requests.at(1).at(0).toStringList(), QStringList({"/data/a.txt", "/data/b.txt"}));
    QCOMPARE(child<QTableWidget>(&window, "generalFileListTableWidget")->item(1, 0)->text(),
             QStringLiteral("Sending..."));

    // The answer to the flash-size question carries the record as it was asked.
    ArdentixDevice answer = gateway();
    answer.firmwareFileName = QStringLiteral("img_v300.bin");
    root._slot_down_update_device_firmware_name(answer);
    QCOMPARE(window.session()->device().firmwareFileName, QStringLiteral("img_v300.bin"));
    QCOMPARE(window.session()->device().username, QStringLiteral("Admin"));
    QCOMPARE(window.session()->device().password, QStringLiteral("secret"));
    QCOMPARE(requests.at(1).at(2).value<ArdentixDevice>().password, QStringLiteral("secret"));
}

QTEST_MAIN(tst_FileTransferWidget)
#include "tst_filetransferwidget.moc"
