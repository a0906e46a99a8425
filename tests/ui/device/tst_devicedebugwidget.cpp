// The diagnostics window before and around a run: its first look, the controls
// reaching their slots, the login it asks for, and results meant for others.
#include "ui/device/devicedebugwidget.h"
#include "ui/device/logindialog.h"

#include "diagnosticsrig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimeEdit>

class tst_DeviceDebugWidget : public QObject
{
    Q_OBJECT

private slots:
    void firstLook();
    void controlsReachTheirSlots();
    void loginFirstWhenTheDeviceAsks();
    void cancelledLoginClosesTheWindow();
    void storedCredentialsAreSentAtOnce();
    void listingNobodyAskedForIsIgnored();

private:
    static ArdentixDevice device();
    static DeviceDebugWidget *openWindow(DiagnosticsRig &rig, const ArdentixDevice &device);
    template<typename T>
    static T *child(QWidget *window, const char *name) { return window->findChild<T *>(QLatin1String(name)); }
    static QList<LoginDialog *> loginDialogs();
};

ArdentixDevice tst_DeviceDebugWidget::device()
{
    return diagnosedDevice(QStringLiteral("Line 3 \"north\""), QStringLiteral("02:00:0A:4D:00:02"));
}

DeviceDebugWidget *tst_DeviceDebugWidget::openWindow(DiagnosticsRig &rig, const ArdentixDevice &device)
{
    auto *window = new DeviceDebugWidget(nullptr, RUN_MODE(0), &rig.root, device);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}

QList<LoginDialog *> tst_DeviceDebugWidget::loginDialogs()
{
    QList<LoginDialog *> dialogs;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<LoginDialog *>(widget); dialog && dialog->isVisible())
            dialogs << dialog;
    }
    return dialogs;
}

void tst_DeviceDebugWidget::firstLook()
{
    DiagnosticsRig rig;
    QScopedPointer<DeviceDebugWidget> window(new DeviceDebugWidget(nullptr, RUN_MODE(0), &rig.root, device()));
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Device Diagnostics"));
    QCOMPARE(child<QLabel>(window.get(), "deviceNameLabel")->text(), QStringLiteral("Line 3 \"north\""));
    QCOMPARE(child<QLabel>(window.get(), "deviceIpLabel")->text(), QStringLiteral("10.77.0.2"));

    auto *tests = child<QComboBox>(window.get(), "diagnosticTestComboBox");
    QCOMPARE(tests->count(), 3);
    QCOMPARE(tests->itemText(0), QStringLiteral("Snap Shot"));
    QCOMPARE(tests->itemText(1), QStringLiteral("Serial Capture"));
    QCOMPARE(tests->currentText(), QStringLiteral("Full Diagnostic"));
    QCOMPARE(child<QTimeEdit>(window.get(), "timeEdit")->time(), QTime(0, 5));
    QVERIFY(child<QFrame>(window.get(), "setTimeFrame")->isEnabled());
    QVERIFY(child<QFrame>(window.get(), "timestampFrame")->isVisible());
    QVERIFY(child<QCheckBox>(window.get(), "timestampCheckBox")->isChecked());
    QVERIFY(child<QFrame>(window.get(), "msgLogframe")->isVisible());
    QVERIFY(!child<QCheckBox>(window.get(), "msgLogCheckBox")->isChecked());
    QVERIFY(!child<QFrame>(window.get(), "flagsFrame")->isVisible());
    QVERIFY(!child<QProgressBar>(window.get(), "progressBar")->isVisible());
    QCOMPARE(child<QProgressBar>(window.get(), "progressBar")->maximum(), 0);
    QCOMPARE(child<QPushButton>(window.get(), "startDebugButton")->text(), QStringLiteral("Start Diagnostic"));
    QVERIFY(!child<QPushButton>(window.get(), "openFolderButton")->isEnabled());

    // Sizes the layout must keep, and a status line that stays black in a disabled frame.
    QCOMPARE(window->minimumHeight(), 370);
    window->resize(320, 900);
    QCoreApplication::processEvents();
    QCOMPARE(child<QLabel>(window.get(), "label")->height(), 50);
    QCOMPARE(child<QFrame>(window.get(), "deviceDetailFrame")->height(), 36);
    QVERIFY(child<QFrame>(window.get(), "closeFrame")->height() <= 35);
    const QPalette status = child<QLabel>(window.get(), "setTimeLabel")->palette();
    QCOMPARE(status.color(QPalette::Disabled, QPalette::WindowText), QColor(Qt::black));
}

void tst_DeviceDebugWidget::controlsReachTheirSlots()
{
    DiagnosticsRig rig;
    DeviceDebugWidget *window = openWindow(rig, device());
    QPointer<DeviceDebugWidget> alive(window);
    auto *tests = child<QComboBox>(window, "diagnosticTestComboBox");
    auto *period = child<QTimeEdit>(window, "timeEdit");

    // A choice by the user, as the keyboard makes it.
    tests->setFocus();
    QTest::keyClick(tests, Qt::Key_Up);
    QTest::keyClick(tests, Qt::Key_Up);
    QCOMPARE(tests->currentIndex(), 0);
    QVERIFY(!child<QFrame>(window, "setTimeFrame")->isEnabled());
    QCOMPARE(period->time(), QTime(0, 0));
    QVERIFY(!child<QFrame>(window, "timestampFrame")->isVisible());
    QVERIFY(!child<QFrame>(window, "msgLogframe")->isVisible());

    QTest::keyClick(tests, Qt::Key_Down);
    QCOMPARE(period->time(), QTime(0, 5));
    QVERIFY(child<QFrame>(window, "timestampFrame")->isVisible());
    QVERIFY(!child<QFrame>(window, "msgLogframe")->isVisible());

    auto *advanced = child<QCheckBox>(window, "advancedOptionsCheckBox");
    QTest::mouseClick(advanced, Qt::LeftButton, {}, QPoint(5, advanced->height() / 2));
    QVERIFY(child<QFrame>(window, "flagsFrame")->isVisible());
    QTest::mouseClick(advanced, Qt::LeftButton, {}, QPoint(5, advanced->height() / 2));
    QVERIFY(!child<QFrame>(window, "flagsFrame")->isVisible());

    QTest::mouseClick(child<QPushButton>(window, "close_button"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(alive.isNull());
}

void tst_DeviceDebugWidget::loginFirstWhenTheDeviceAsks()
{
    DiagnosticsRig rig;
    ArdentixDevice locked = device();
    locked.passwordRequired = true;
    QSignalSpy credentials(&rig.root, &AxSignalObject::_signal_up_set_device_credentials);
    QScopedPointer<DeviceDebugWidget> window(new DeviceDebugWidget(nullptr, RUN_MODE(0), &rig.root, locked));
    QVERIFY(!child<QFrame>(window.get(), "diagnosticFrame")->isEnabled());
    QVERIFY(!child<QFrame>(window.get(), "closeFrame")->isEnabled());
    QCOMPARE(loginDialogs().size(), 1);

    LoginDialog *dialog = loginDialogs().first();
    QTest::keyClicks(child<QLineEdit>(dialog, "passwordLineEdit"), QStringLiteral("wrong"));
    QTest::mouseClick(child<QPushButton>(dialog, "loginButton"), Qt::LeftButton);
    QCOMPARE(credentials.size(), 1);
    const auto sent = credentials.first().first().value<ArdentixDevice>();
    QCOMPARE(sent.username, QStringLiteral("Admin"));
    QCOMPARE(sent.password, QStringLiteral("wrong"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The verdict is matched by address: another device's changes nothing.
    ArdentixDevice other = sent;
    other.ipAddress = QHostAddress(QStringLiteral("10.77.0.3"));
    rig.root._slot_down_user_authenticated(other, false);
    QCOMPARE(loginDialogs().size(), 0);
    rig.root._slot_down_user_authenticated(sent, false);
    QCOMPARE(loginDialogs().size(), 1);
    QVERIFY(!child<QFrame>(window.get(), "diagnosticFrame")->isEnabled());
    rig.root._slot_down_user_authenticated(sent, true);
    QVERIFY(child<QFrame>(window.get(), "diagnosticFrame")->isEnabled());
    QVERIFY(child<QFrame>(window.get(), "closeFrame")->isEnabled());
    loginDialogs().first()->close();
}

void tst_DeviceDebugWidget::cancelledLoginClosesTheWindow()
{
    DiagnosticsRig rig;
    ArdentixDevice locked = device();
    locked.passwordRequired = true;
    QSignalSpy credentials(&rig.root, &AxSignalObject::_signal_up_set_device_credentials);
    QPointer<DeviceDebugWidget> window = openWindow(rig, locked);
    QTest::ignoreMessage(QtDebugMsg, "Login canceled");
    QTest::mouseClick(child<QPushButton>(loginDialogs().first(), "cancelButton"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    QCOMPARE(credentials.size(), 0);
}

void tst_DeviceDebugWidget::storedCredentialsAreSentAtOnce()
{
    DiagnosticsRig rig;
    ArdentixDevice known = device();
    known.setCredentials(QStringLiteral("operator"), QStringLiteral("secret"));
    QSignalSpy credentials(&rig.root, &AxSignalObject::_signal_up_set_device_credentials);
    QScopedPointer<DeviceDebugWidget> window(new DeviceDebugWidget(nullptr, RUN_MODE(0), &rig.root, known));
    QCOMPARE(credentials.size(), 1);
    QCOMPARE(credentials.first().first().value<ArdentixDevice>().password, QStringLiteral("secret"));
    QCOMPARE(loginDialogs().size(), 0);
    QVERIFY(!child<QFrame>(window.get(), "diagnosticFrame")->isEnabled());
}

// Before any run the window has no folder: a listing meant for another window
// of the device must not start a fetch into nowhere.
void tst_DeviceDebugWidget::listingNobodyAskedForIsIgnored()
{
    DiagnosticsRig rig;
    QScopedPointer<DeviceDebugWidget> window(new DeviceDebugWidget(nullptr, RUN_MODE(0), &rig.root, device()));
    rig.root._slot_down_file_received(QStringLiteral("dirlist.txt"),
                                      "./:\n-rw-r--r-- 1 a b 3 Jan 1 00:00 config.csv\n", true, device());
    QTest::qWait(200);
    QVERIFY(rig.calls("kovnet-calls.txt").isEmpty());
    QVERIFY(rig.boxes.seen.isEmpty());
    QVERIFY(!QFile::exists(QStringLiteral("/config.csv")));
}

QTEST_MAIN(tst_DeviceDebugWidget)
#include "tst_devicedebugwidget.moc"
