#include "ui/tool/developerwindow.h"

#include "model/axmetatypes.h"

#include "shotsupport.h"

#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>

// The engineering window after an engineer has listed the adapters, started
// capture, made the communications manager, pinged every adapter and read the
// devices found: three emulated gateways in a namespace of their own.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    registerAxMetaTypes();
    const QString folder = shotFolder();

    GatewayTestBed bed;
    if (!startShotBed(bed, {"--devices", "3", "--base-mac", "02:A0:00:00:01:00", "--base-ip", "10.77.0.100",
                            "--device", "0:title=Boiler House,platform=300",
                            "--device", "1:title=Pump Station 2,platform=101",
                            "--device", "2:title=Filter Press,platform=303"}, "shot_engineering"))
        return 1;

    auto *window = new DeveloperWindow;
    window->show();
    const auto click = [window](const char *name) {
        window->findChild<QPushButton *>(QString::fromLatin1(name))->click();
    };
    click("getAdapterButton");
    click("listenButton");
    click("createAxcommButton");
    click("vekListenButton");
    QTest::qWait(200);
    click("vekPingAllButton");
    click("pingButton");
    QTest::qWait(1500);
    click("readOnlineButton");
    auto *tree = window->findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
    if (tree->topLevelItemCount() > 0) {
        tree->topLevelItem(0)->setExpanded(true);
        tree->setCurrentItem(tree->topLevelItem(0));
    }
    const bool saved = saveShot(window, folder, QStringLiteral("engineering.png"));
    delete window;   // capture and endpoints stop before the namespace goes
    return saved ? 0 : 1;
}
