#include "devicetoolbarwidget.h"
#include "ui_devicetoolbarwidget.h"

#include "comm/json/cloudendpoints.h"
#include "model/configsettings.h"
#include "platform/transfertool.h"
#include "ui/device/devicedebugwidget.h"
#include "ui/noticebox.h"
#include "ui/tool/openinbrowser.h"

#include <QContextMenuEvent>
#include <QDebug>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QProcess>

namespace {

// The context menu belongs to the Connect button, which starts this far right
// of the toolbar's left edge.
const int kConnectButtonLeft = 85;
const int kMenuDrop = 20;

} // namespace

DeviceToolbarWidget::DeviceToolbarWidget(QWidget *parent, AxSignalObject *upstream, const ArdentixDevice &device,
                                         RUN_MODE runMode)
    : AxSignalWidget(parent, upstream)
    , ui(new Ui::DeviceToolbarWidget)
    , device(device)
    , runMode(runMode)
    , holdingPause(false)
{
    ui->setupUi(this);
    if (runMode & RUN_MODE_RESTRICTED)
        ui->diagnoseToolButton->setVisible(false);
    setDevice(device);
}

DeviceToolbarWidget::~DeviceToolbarWidget()
{
    // A row can go while its button is held; the table must not stay paused.
    if (holdingPause)
        pauseTableUpdates(false);
    delete ui;
}

void DeviceToolbarWidget::setDevice(const ArdentixDevice &newDevice)
{
    device = newDevice;
    emit update_device_signal(device);

    bool connectAllowed = false;
    bool diagnoseAllowed = false;
    const bool gone = device.discoveryState == DISCOVERY_LOST || device.discoveryState == DISCOVERY_OFFLINE;
    if (!gone && device.isIpReachable()) {
        const bool restricted = runMode & RUN_MODE_RESTRICTED;
        connectAllowed = !restricted || device.axguiSupport;
        diagnoseAllowed = !restricted;
    } else if (!gone && device.userDevice) {
        connectAllowed = device.vekConnectivity || device.jsonSupport;
        diagnoseAllowed = device.vekConnectivity;
    }

    ui->connectButton->setEnabled(connectAllowed);
    ui->connectButton->setToolTip(connectAllowed ? tr("Connect")
                                                 : tr("Unable to connect. Please see Help for more information."));
    ui->diagnoseToolButton->setEnabled(diagnoseAllowed);
    ui->diagnoseToolButton->setToolTip(diagnoseAllowed
                                           ? tr("Diagnose")
                                           : tr("Unable to diagnose. Please see Help for more information."));
}

void DeviceToolbarWidget::setSecurityStatus(const ArdentixDevice &newDevice)
{
    device = newDevice;
    if (device.discoveryState == DISCOVERY_LOST || device.discoveryState == DISCOVERY_OFFLINE)
        return;
    const char *image = "images/grey_lock.png";
    QString tip = tr("Security Disabled");
    if (device.securityStatus == SECURITY_FULL) {
        image = "images/green_lock.png";
        tip = tr("Full Security");
    } else if (device.securityStatus == SECURITY_HTTPS || device.securityStatus == SECURITY_DOMAIN_FAILED) {
        image = "images/yellow_lock.png";
        tip = tr("Limited Security");
    }
    showPicture(ui->secureLabel, &lockImage, QString::fromLatin1(image));
    ui->secureLabel->setToolTip(tip);
}

void DeviceToolbarWidget::showNewDevice()
{
    showPicture(ui->stateLabel, &badgeImage, QStringLiteral("images/new_device.png"));
}

void DeviceToolbarWidget::showLostDevice()
{
    showPicture(ui->stateLabel, &badgeImage, QStringLiteral("images/lost_device.png"));
}

void DeviceToolbarWidget::clearState()
{
    if (badgeImage.isEmpty())
        return;
    badgeImage.clear();
    ui->stateLabel->clear();
}

void DeviceToolbarWidget::sendHttpFile(const ArdentixDevice &target, const QString &file)
{
    emit sendHttpFileReqeust(target, file);
}

void DeviceToolbarWidget::RestartDevice(const ArdentixDevice &target)
{
    emit RestartDeviceRequest(target);
}

void DeviceToolbarWidget::DeviceTimeSync(const ArdentixDevice &target)
{
    emit DeviceTimeSyncRequest(target);
}

void DeviceToolbarWidget::on_connectButton_clicked()
{
    if (device.axguiSupport)
        openWebGui();
    else if (runMode & RUN_MODE_RESTRICTED)
        return;
    else if (device.isIpReachable() || (device.userDevice && device.vekConnectivity))
        launchKovnet();
}

void DeviceToolbarWidget::on_diagnoseToolButton_clicked()
{
    if (device.diagSupport) {
        openDiagnosticsPage();
        return;
    }
    if (device.secureGwSupport)
        return;
    // One more window for each click; each follows the device and closes with the row.
    auto *window = new DeviceDebugWidget(nullptr, runMode, bus, device);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(this, SIGNAL(update_device_signal(ArdentixDevice)), window, SLOT(UpdateDevice(ArdentixDevice)));
    connect(this, &QObject::destroyed, window, &QWidget::close);
    window->show();
}

void DeviceToolbarWidget::on_connectButton_pressed()
{
    pauseTableUpdates(true);
}

void DeviceToolbarWidget::on_connectButton_released()
{
    pauseTableUpdates(false);
}

void DeviceToolbarWidget::on_diagnoseToolButton_pressed()
{
    pauseTableUpdates(true);
}

void DeviceToolbarWidget::on_diagnoseToolButton_released()
{
    pauseTableUpdates(false);
}

void DeviceToolbarWidget::mousePressEvent(QMouseEvent *event)
{
    // A press on the free area stays here; the table underneath never sees it.
    event->accept();
}

void DeviceToolbarWidget::contextMenuEvent(QContextMenuEvent *event)
{
    if ((runMode & RUN_MODE_RESTRICTED) || !(device.isIpReachable() || device.userDevice)
        || device.secureGwSupport)
        return;
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    const int menuLeft = topLeft.x() + kConnectButtonLeft;
    const int x = event->globalPos().x();
    if (x < menuLeft || x > menuLeft + ui->connectButton->width())
        return;

    QMenu menu;
    QAction *kovnet = menu.addAction(QIcon(QStringLiteral("./images/mini_kovnet.png")), QStringLiteral("KOVNET"));
    if ((runMode & (RUN_MODE_ADVANCED | RUN_MODE_SUBNET_PING)) && device.isIpReachable() && device.jsonSupport)
        menu.addAction(QIcon(QStringLiteral("./images/recovery.png")), QStringLiteral("RECOVERY"));
    kovnet->setEnabled(device.vekConnectivity);

    // The row may be rebuilt or dropped while the menu is open.
    const QPointer<DeviceToolbarWidget> self(this);
    const QAction *chosen = menu.exec(QPoint(menuLeft, topLeft.y() + kMenuDrop));
    if (!self || !chosen)
        return;
    if (chosen->text() == QLatin1String("KOVNET")) {
        if (device.vekConnectivity)
            launchKovnet();
    } else if (chosen->text() == QLatin1String("RECOVERY")) {
        openRecoveryPage();
    }
}

QString DeviceToolbarWidget::deviceIp() const
{
    return device.ipAddress.toString();
}

QString DeviceToolbarWidget::webGuiUrl() const
{
    if (!device.secureGwSupport)
        return QString();
    switch (device.securityStatus) {
    case SECURITY_HTTPS:
        return QStringLiteral("https://") + deviceIp();
    case SECURITY_DOMAIN_FAILED:
    case SECURITY_FULL:
        return QStringLiteral("https://") + deviceIp().replace(QLatin1Char('.'), QLatin1Char('-'))
               + QStringLiteral(".gw.") + CloudEndpoints::secureGatewayDomain();
    default:
        return QStringLiteral("http://") + deviceIp();
    }
}

// A secured device's pages are only served over HTTPS.
QString DeviceToolbarWidget::pageBase() const
{
    return device.secureGwSupport ? webGuiUrl() : QStringLiteral("http://") + deviceIp();
}

void DeviceToolbarWidget::openWebGui()
{
    openPage(pageBase());
}

void DeviceToolbarWidget::launchKovnet()
{
    if (device.secureGwSupport)
        return;
    const CONFIG_SETTINGS active = profile();
    const QString program = transferToolProgram(active.toolsPath + QStringLiteral("/kovnet.exe"));
    if (program.isEmpty()) {
        QMessageBox::critical(this, tr("KOVNET not found"),
                              tr(" KOVNET not found!\n\n Please check in your Toolbox settings that the \n"
                                 " Tools Path points to a directory containing KOVNET."));
        return;
    }
    if (!QProcess::startDetached(program, {QStringLiteral("-i"), deviceIp()}, active.workingPath))
        qDebug() << "KOVNET did not start:" << program;
}

void DeviceToolbarWidget::openRecoveryPage()
{
    openPage(QStringLiteral("http://") + deviceIp() + QStringLiteral("/recovery.cgi"));
}

void DeviceToolbarWidget::openDiagnosticsPage()
{
    openPage(pageBase() + QStringLiteral("/diagnosticComponent/ui"));
}

void DeviceToolbarWidget::openPage(const QString &address)
{
    if (openInBrowser(address, profile()))
        return;
    showNotice(browserErrorBox, window(), QMessageBox::Critical, tr("Web Browser Not Started"),
               tr("No web browser could be started to open\n%1\n\n"
                  "Please check the browser in the Toolbox settings (Setup).")
                       .arg(address));
}

// The row refreshes every second: a label is only reloaded and repainted for a new picture.
void DeviceToolbarWidget::showPicture(QLabel *label, QString *shown, const QString &path)
{
    if (*shown == path)
        return;
    *shown = path;
    label->setPixmap(QPixmap(path));
}

CONFIG_SETTINGS DeviceToolbarWidget::profile() const
{
    return settings ? *settings : CONFIG_SETTINGS();
}

void DeviceToolbarWidget::pauseTableUpdates(bool pause)
{
    holdingPause = pause;
    emit bus->_signal_up_pause_update(pause);
}
