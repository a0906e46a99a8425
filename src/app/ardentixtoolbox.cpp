#include "ardentixtoolbox.h"

#include "comm/axcomm.h"
#include "model/axsignalobject.h"
#include "model/devicedatabase.h"
#include "ui/main/axtmainwindow.h"
#include "ui/tool/systemsettingswidget.h"
#include "ui/workingdirectorywarning.h"

#include <QApplication>
#include <QHostAddress>

namespace {

const int kMaintenanceIntervalMs = 1000;
const int kAxguiProbeIntervalMs = 10000;
const int kForcedPingWindowMs = 30000;
const int kSubnetPingIntervalMs = 1000;
const char *const kSubnetPingTarget = "192.168.1.255";

} // namespace

ArdentixToolbox::ArdentixToolbox(QObject *parent)
    : QObject(parent)
    , signalRoot(std::make_unique<AxSignalObject>(nullptr))
    , configSettings(std::make_unique<ConfigSettings>(nullptr))
{
    signalRoot->settings = configSettings->currentConfig();
    const QString uncreated = configSettings->uncreatedWorkingDirectory();
    if (!uncreated.isEmpty())
        showWorkingDirectoryWarning(nullptr, uncreated);
}

ArdentixToolbox::~ArdentixToolbox()
{
    qDebug("Destroy Toolbox");
    maintenanceTimer.stop();
    axguiProbeTimer.stop();
    forcedPingTimer.stop();
    // The event loop has ended: nothing would run a deferred deletion any more.
    delete setupWidget;
    delete mainWindow;
    delete commManager;
    delete deviceDatabase;
}

void ArdentixToolbox::Start(RUN_MODE mode)
{
    runMode = mode;
    mainWindow = new AXTMainWindow(this, runMode, signalRoot.get());
    mainWindow->setAttribute(Qt::WA_DeleteOnClose);
    // The program ends with its main window: the windows left (the debug message
    // window, settings and device windows) close too, and the event loop ends
    // with the last of them.
    connect(mainWindow, &QObject::destroyed, this, &QApplication::closeAllWindows, Qt::QueuedConnection);
    deviceDatabase = new DeviceDatabase(this);
    commManager = new AxComm(this, signalRoot.get());
    commManager->startListening(QHostAddress(QStringLiteral("255.255.255.255")));
    connectParts();

    deviceDatabase->loadFileDatabase();
    applyTimeouts(*signalRoot->settings);
    connect(&maintenanceTimer, SIGNAL(timeout()), this, SLOT(MaintainDatabase()));

    if (runMode & RUN_MODE_SUBNET_PING) {
        commManager->startDirectedPing(kSubnetPingIntervalMs, QHostAddress(QString::fromLatin1(kSubnetPingTarget)));
        axguiProbeTimer.start(kAxguiProbeIntervalMs);
    } else if (runMode & RUN_MODE_FORCED_PING) {
        connect(mainWindow, SIGNAL(start_forced_ping()), this, SLOT(start_forced_ping()));
        connect(&forcedPingTimer, SIGNAL(timeout()), this, SLOT(stop_forced_ping()));
        stop_forced_ping();
    } else {
        axguiProbeTimer.start(kAxguiProbeIntervalMs);
        commManager->startVekPing(signalRoot->settings->pingInterval);
    }
    maintenanceTimer.start(kMaintenanceIntervalMs);
    MaintainDatabase();
    mainWindow->show();
}

void ArdentixToolbox::connectParts()
{
    AXTMainWindow *window = mainWindow;
    DeviceDatabase *store = deviceDatabase;
    AxComm *comm = commManager;
    AxSignalObject *root = signalRoot.get();

    connect(comm, SIGNAL(deviceFound(ArdentixDevice)), this, SLOT(onDeviceFound(ArdentixDevice)));
    connect(store, SIGNAL(onlineDeviceUpdate(ArdentixDevice)), window, SLOT(AddDeviceToList(ArdentixDevice)));
    connect(store, SIGNAL(deviceOffline(ArdentixDevice)), window, SLOT(deviceOffline(ArdentixDevice)));
    connect(store, SIGNAL(deviceLost(ArdentixDevice)), comm, SLOT(deviceLost(ArdentixDevice)));
    connect(store, SIGNAL(newDeviceAdded(ArdentixDevice)), comm, SLOT(CheckAxguiSupport(ArdentixDevice)));
    connect(window, SIGNAL(deviceFavoriteChangedSignal(QString,bool)), this, SLOT(onDeviceFavoriteChanged(QString,bool)));
    // A device added by address goes to the live list first, then to the file.
    connect(window, SIGNAL(userDeviceAdded(ArdentixDevice)), store, SLOT(updateDeviceOnDefaultDatabase(ArdentixDevice)));
    connect(window, SIGNAL(userDeviceAdded(ArdentixDevice)), store, SLOT(updateDeviceOnFileDatabase(ArdentixDevice)));
    connect(store, SIGNAL(userDeviceUpdateRequest(ArdentixDevice)), comm, SLOT(ForceCommCheck(ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_axgui_support(QString,bool,bool)), store, SLOT(updateAxguiSupported(QString,bool,bool)));
    connect(root, SIGNAL(_signal_up_diag_support(QString,bool,bool)), store, SLOT(updateDiagSupported(QString,bool,bool)));
    connect(root, SIGNAL(_signal_up_security_status(QString,SECURITY_STATUS,bool)), store,
            SLOT(updateSecurityStatus(QString,SECURITY_STATUS,bool)));
    connect(root, SIGNAL(_signal_up_vek_advanced_network_support(QString,VEK_NET_SUPPORT)), store,
            SLOT(updateVekAdvancedNetworkSupported(QString,VEK_NET_SUPPORT)));
    connect(window, SIGNAL(userDeviceRemoved(QString)), store, SLOT(removeDeviceFromDefaultDatabaseByIP(QString)));
    connect(window, SIGNAL(userDeviceRemoved(QString)), store, SLOT(removeDeviceFromFileDatabaseByIP(QString)));
    connect(store, SIGNAL(removeDevice(QString)), window, SLOT(removeDeviceFromList(QString)));
    connect(window, SIGNAL(showSetupWidget()), this, SLOT(showSetupWidget()));
    connect(root, SIGNAL(_signal_up_restart_device(ArdentixDevice)), comm, SLOT(RestartDevice(ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_time_sync_request(QDateTime,ArdentixDevice)), comm,
            SLOT(DeviceTimeSync(QDateTime,ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_read_system_time_request(ArdentixDevice)), comm,
            SLOT(readSystemTimeRequest(ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_json_support(QString,bool,bool)), store, SLOT(updateJsonSupported(QString,bool,bool)));
    connect(root, SIGNAL(_signal_up_axcomm_set_ip_and_restart(ArdentixDevice,QString,QString,bool)), comm,
            SLOT(SetDeviceIp(ArdentixDevice,QString,QString,bool)));
    connect(root, SIGNAL(_signal_up_send_file(QStringList,QStringList,ArdentixDevice)), comm,
            SLOT(sendFileRequest(QStringList,QStringList,ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_get_file(QString,ArdentixDevice)), comm, SLOT(getFileRequest(QString,ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_get_flash_size(ArdentixDevice)), comm, SLOT(vekGetFlashSize(ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_set_device_password_protection(QString,bool)), store,
            SLOT(setDevicePasswordProtected(QString,bool)));
    // New credentials are stored first, then tried on the device.
    connect(root, SIGNAL(_signal_up_set_device_credentials(ArdentixDevice)), store,
            SLOT(setDeviceCredentials(ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_set_device_credentials(ArdentixDevice)), comm,
            SLOT(CheckAuthentication(ArdentixDevice)));
    connect(store, SIGNAL(forceCheckAxguiSupport(ArdentixDevice)), comm, SLOT(CheckAxguiSupport(ArdentixDevice)));
    connect(&axguiProbeTimer, SIGNAL(timeout()), store, SLOT(checkAxguiSupport()));
    connect(configSettings.get(), SIGNAL(config_settings_changed(CONFIG_SETTINGS)), this,
            SLOT(update_timers(CONFIG_SETTINGS)));
    connect(root, SIGNAL(_signal_up_pause_update(bool)), window, SLOT(pause_updates_toggle(bool)));
    // Results climb to the root and come back down to every window.
    connect(root, SIGNAL(_signal_up_file_received(QString,QByteArray,bool,ArdentixDevice)), root,
            SLOT(_slot_down_file_received(QString,QByteArray,bool,ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_file_send_complete(QString,FILE_TRANSFER_STATE,float,ArdentixDevice)), root,
            SLOT(_slot_down_file_send_complete(QString,FILE_TRANSFER_STATE,float,ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_system_time(QDateTime,ArdentixDevice)), root,
            SLOT(_slot_down_system_time(QDateTime,ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_update_device_firmware_name(ArdentixDevice)), root,
            SLOT(_slot_down_update_device_firmware_name(ArdentixDevice)));
    connect(root, SIGNAL(_signal_up_user_authenticated(ArdentixDevice,bool)), root,
            SLOT(_slot_down_user_authenticated(ArdentixDevice,bool)));
    connect(root, SIGNAL(_signal_up_abort_bridge_snapshot(ArdentixDevice)), comm,
            SLOT(AbortBridgeSnapshot(ArdentixDevice)));
    connect(store, SIGNAL(fileDatabaseWriteFailed(QString)), window, SLOT(deviceFileWriteFailed(QString)));
    connect(comm, SIGNAL(fileSendError(QString,QString)), window, SLOT(fileSendError(QString,QString)));
}

void ArdentixToolbox::applyTimeouts(const CONFIG_SETTINGS &profile)
{
    deviceDatabase->setTimeouts(profile.lostIndicatorPeriod * 1000, profile.timeoutToLost,
                                profile.newIndicatorPeriod * 1000);
}

void ArdentixToolbox::update_timers(const CONFIG_SETTINGS &profile)
{
    applyTimeouts(profile);
    if (runMode & RUN_MODE_SUBNET_PING) {
        commManager->stopDirectedPing();
        commManager->startDirectedPing(profile.pingInterval, QHostAddress(QString::fromLatin1(kSubnetPingTarget)));
    } else if (runMode & RUN_MODE_FORCED_PING) {
        stop_forced_ping();
    } else {
        commManager->stopVekPing();
        commManager->startVekPing(profile.pingInterval);
    }
}

void ArdentixToolbox::MaintainDatabase()
{
    const QStringList platformFilter = signalRoot->settings->platformFilter;
    deviceDatabase->readOnlineDevices(platformFilter);
    deviceDatabase->databaseMaintenance();
    deviceDatabase->readUserDevices();
}

void ArdentixToolbox::onDeviceFound(const ArdentixDevice &device)
{
    deviceDatabase->updateDeviceOnDefaultDatabase(device);
}

void ArdentixToolbox::onDeviceFavoriteChanged(const QString &mac, bool favorite)
{
    deviceDatabase->deviceFavoriteChanged(mac, favorite);
}

void ArdentixToolbox::start_forced_ping()
{
    deviceDatabase->setRemovalSuspension(false);
    if (mainWindow)
        mainWindow->setOfflineSuspension(false);
    forcedPingTimer.start(kForcedPingWindowMs);
    commManager->startVekPing(signalRoot->settings->pingInterval);
}

void ArdentixToolbox::stop_forced_ping()
{
    commManager->stopVekPing();
    deviceDatabase->setRemovalSuspension(true);
    if (mainWindow)
        mainWindow->setOfflineSuspension(true);
    forcedPingTimer.stop();
}

void ArdentixToolbox::showSetupWidget()
{
    if (setupWidget)
        return;
    qDebug("creating setup widget");
    setupWidget = new SystemSettingsWidget(nullptr, configSettings.get(), runMode);
    setupWidget->setAttribute(Qt::WA_DeleteOnClose);
    connect(setupWidget, SIGNAL(destroyed()), this, SLOT(deleteSetupWidget()));
    setupWidget->showNormal();
}

void ArdentixToolbox::deleteSetupWidget()
{
    setupWidget = nullptr;
}
