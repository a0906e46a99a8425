// Pictures of the Configure Device window and the network settings and device
// time windows it opens, for an emulated two-port gateway in a namespace pair:
//   configure-device.png, network-settings-loading.png, network-settings.png,
//   network-settings-red.png, network-settings-confirm.png, device-time.png
#include "ui/device/configuredevicewidget.h"
#include "ui/device/ipconfigwidget.h"
#include "ui/device/settimewidget.h"

#include "model/axmetatypes.h"

#include "shotsupport.h"
#include "toolboxbus.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

template<typename W>
W *openWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<W *>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

// Waits until the network settings window shows its rows.
bool waitForRows(IpConfigWidget *window)
{
    auto *loading = window->findChild<QWidget *>(QStringLiteral("loadingFrame"));
    for (int i = 0; i < 100 && loading->isVisibleTo(window); ++i)
        QTest::qWait(100);
    return !loading->isVisibleTo(window);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    registerAxMetaTypes();
    const QString folder = shotFolder();

    GatewayTestBed bed;
    if (!startShotBed(bed, {"--http", "--platform", "303", "--firmware", "6.16.2", "--device",
                            "0:name=AX-T303,title=Filter Press"}, "shot_configuredevice"))
        return 1;
    ToolboxBus bus;
    ArdentixDevice gateway = bus.discover();
    if (gateway.macAddress.isEmpty()) {
        std::fprintf(stderr, "shot_configuredevice: the gateway did not answer\n");
        return 1;
    }
    gateway.jsonSupport = true;   // as the support probe finds it

    bool saved = true;
    auto *configure = new ConfigureDeviceWidget(nullptr, &bus.root, gateway, 0);
    saved &= saveShot(configure, folder, QStringLiteral("configure-device.png"));

    // Before the device's file has arrived.
    IpConfigWidget loading(nullptr, &bus.root, gateway);
    saved &= saveShot(&loading, folder, QStringLiteral("network-settings-loading.png"));
    loading.close();

    configure->findChild<QPushButton *>(QStringLiteral("setIpButton"))->click();
    IpConfigWidget *settings = openWindow<IpConfigWidget>();
    saved &= settings && waitForRows(settings);
    if (settings) {
        settings->move(configure->frameGeometry().topRight() + QPoint(10, 0));
        saved &= saveShot(settings, folder, QStringLiteral("network-settings.png"));

        auto *address = settings->findChild<QLineEdit *>(QStringLiteral("n1IpEdit"));
        address->clear();
        QTest::keyClicks(address, QStringLiteral("10.77.0.260"));
        saved &= saveShot(settings, folder, QStringLiteral("network-settings-red.png"));
        address->clear();
        QTest::keyClicks(address, QStringLiteral("10.77.0.50"));

        QTimer::singleShot(500, [&saved, folder] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            saved &= box && saveShot(box, folder, QStringLiteral("network-settings-confirm.png"));
            if (box)
                box->escapeButton()->click();   // "Cancel": the gateway keeps its settings
        });
        settings->findChild<QPushButton *>(QStringLiteral("updateIpButton"))->click();
    }

    configure->findChild<QPushButton *>(QStringLiteral("synchTimeButton"))->click();
    SetTimeWidget *time = openWindow<SetTimeWidget>();
    saved &= time != nullptr;
    if (time) {
        time->move(configure->frameGeometry().bottomLeft() + QPoint(0, 10));
        QTest::qWait(1500);   // the device's clock arrives and ticks
        saved &= saveShot(time, folder, QStringLiteral("device-time.png"));
    }
    configure->close();
    return saved ? 0 : 1;
}
