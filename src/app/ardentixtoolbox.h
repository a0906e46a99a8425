#ifndef ARDENTIXTOOLBOX_H
#define ARDENTIXTOOLBOX_H

#include "model/ardentixdevice.h"
#include "model/configsettings.h"
#include "ui/runmode.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class AXTMainWindow;
class AxComm;
class AxSignalObject;
class DeviceDatabase;
class SystemSettingsWidget;

// The application controller: creates the main window, the device store and the
// communications manager, wires them together and runs discovery, the support
// probe and the once-a-second maintenance of the device list.
class ArdentixToolbox : public QObject
{
    Q_OBJECT

public:
    explicit ArdentixToolbox(QObject *parent = nullptr);
    ~ArdentixToolbox() override;

public slots:
    void Start(RUN_MODE mode);
    void showSetupWidget();
    void update_timers(const CONFIG_SETTINGS &profile);
    // Forced-ping mode: discovery runs for a while after each refresh (F5).
    void start_forced_ping();
    void stop_forced_ping();

private slots:
    void onDeviceFound(const ArdentixDevice &device);
    void onDeviceFavoriteChanged(const QString &mac, bool favorite);
    void MaintainDatabase();
    void deleteSetupWidget();

private:
    void connectParts();
    void applyTimeouts(const CONFIG_SETTINGS &profile);

    // The main window deletes itself when closed while other windows may keep the
    // program running: it is only ever reached through this guard.
    QPointer<AXTMainWindow> mainWindow;
    DeviceDatabase *deviceDatabase = nullptr;
    QPointer<SystemSettingsWidget> setupWidget;
    AxComm *commManager = nullptr;
    QTimer maintenanceTimer;
    QTimer axguiProbeTimer;
    QTimer forcedPingTimer;
    RUN_MODE runMode = RUN_MODE(0);
    // The bus root and the profiles outlive the store and the communications
    // manager, whose bus nodes and settings pointers lead to them.
    std::unique_ptr<AxSignalObject> signalRoot;
    std::unique_ptr<ConfigSettings> configSettings;
};

#endif // ARDENTIXTOOLBOX_H
