#include "ui/main/axtmainwindow.h"
#include "ui/main/devicetoolbarwidget.h"

#include "model/axmetatypes.h"
#include "model/axsignalobject.h"
#include "model/configsettings.h"

#include "shotsupport.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

// Adds the typed address through the header's plus and saves the box that refuses it.
bool shootRefusal(AXTMainWindow *window, const QString &typed, const QString &folder, const QString &name)
{
    bool saved = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QInputDialog *>(modal)) {
            dialog->setTextValue(typed);
            dialog->accept();
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            poll.stop();
            saved = saveShot(box, folder, name);
            box->accept();
        }
    });
    poll.start(10);
    QMetaObject::invokeMethod(window, "onDeviceTableViewHeaderClicked", Q_ARG(int, 2));
    return saved;
}

} // namespace

// The boxes of the main window: addresses that name no new device (one listed,
// one still pending), a browser that does not start, and a file to send that
// can't be read.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    registerAxMetaTypes();
    const QString folder = shotFolder();
    QDir::setCurrent(QStringLiteral(AX_RUN_DIR));   // the images beside the program

    CONFIG_SETTINGS profile;
    profile.useDefaultBrowser = false;
    profile.browserPath = QStringLiteral("/nonexistent/browser");
    AxSignalObject root(nullptr);
    root.settings = &profile;
    auto *window = new AXTMainWindow(nullptr, RUN_MODE(0), &root);
    window->show();

    ArdentixDevice device;
    device.configTitle = QStringLiteral("Boiler House");
    device.ipAddress = QHostAddress(QStringLiteral("10.77.0.100"));
    device.setMacString(QStringLiteral("02:A0:00:00:01:00"));
    device.displayMacAddress = device.macAddress;
    device.ipConnectivity = device.vekConnectivity = device.axguiSupport = true;
    device.discoveryState = DISCOVERY_ONLINE;
    window->AddDeviceToList(device);
    QTest::qWait(200);

    bool saved = shootRefusal(window, QStringLiteral("10.77.0.100"), folder, QStringLiteral("box-device-listed.png"));
    ArdentixDevice pending;
    pending.configTitle = QStringLiteral("Title Pending (User Device)");
    pending.ipAddress = QHostAddress(QStringLiteral("10.77.0.130"));
    pending.setMacString(QStringLiteral("Pending (10.77.0.130)"));
    pending.userDevice = pending.favorite = true;
    pending.discoveryState = DISCOVERY_OFFLINE;
    window->AddDeviceToList(pending);
    saved &= shootRefusal(window, QStringLiteral("10.77.0.130"), folder, QStringLiteral("box-device-pending.png"));
    saved &= shootRefusal(window, QStringLiteral("0.0.0.0"), folder, QStringLiteral("box-no-device-address.png"));
    saved &= shootRefusal(window, QStringLiteral("127.0.0.1"), folder, QStringLiteral("box-own-address.png"));

    window->findChild<DeviceToolbarWidget *>()->findChild<QPushButton *>(QStringLiteral("connectButton"))->click();
    auto *browserBox = window->findChild<QMessageBox *>();
    saved &= browserBox && saveShot(browserBox, folder, QStringLiteral("box-browser-not-started.png"));
    delete browserBox;

    window->fileSendError(QStringLiteral("Error reading file!"),
                          QStringLiteral(" Could not open file: /home/engineer/configs/boiler.cfg"));
    auto *fileBox = window->findChild<QMessageBox *>();
    saved &= fileBox && saveShot(fileBox, folder, QStringLiteral("box-file-send-error.png"));
    delete window;
    return saved ? 0 : 1;
}
