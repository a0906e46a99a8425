#ifndef DEVICETOOLBARWIDGET_H
#define DEVICETOOLBARWIDGET_H

#include "axconnectionmethod.h"
#include "model/ardentixdevice.h"
#include "model/configsettings.h"
#include "ui/axsignalwidget.h"
#include "ui/runmode.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>

class QLabel;

namespace Ui {
class DeviceToolbarWidget;
}

// The last cell of a device row: the new or lost badge, the web-security lock,
// Connect (web interface or KOVNET; a right-click offers KOVNET and the recovery
// page) and Diagnose. Its copy of the device decides which actions it offers.
// While one of its buttons is held down the device table stops refreshing.
class DeviceToolbarWidget : public AxSignalWidget
{
    Q_OBJECT

public:
    DeviceToolbarWidget(QWidget *parent, AxSignalObject *upstream, const ArdentixDevice &device, RUN_MODE runMode);
    ~DeviceToolbarWidget() override;

    // Stores the device and works out the buttons afresh.
    void setDevice(const ArdentixDevice &device);
    // Stores the device and shows its security lock.
    void setSecurityStatus(const ArdentixDevice &device);

    // The discovery badge.
    void showNewDevice();
    void showLostDevice();
    void clearState();

signals:
    void connectionRequested(const ArdentixDevice &device, AX_CONNECTION_METHOD method);
    // Relays for the Configure Device window's requests.
    void RestartDeviceRequest(const ArdentixDevice &device);
    void DeviceTimeSyncRequest(const ArdentixDevice &device);
    void sendHttpFileReqeust(const ArdentixDevice &device, const QString &file);
    // Every diagnostics window opened here follows the device through it.
    void update_device_signal(const ArdentixDevice &device);

public slots:
    void sendHttpFile(const ArdentixDevice &device, const QString &file);

private slots:
    void on_connectButton_clicked();
    void RestartDevice(const ArdentixDevice &device);
    void DeviceTimeSync(const ArdentixDevice &device);
    void on_diagnoseToolButton_clicked();
    void on_connectButton_pressed();
    void on_connectButton_released();
    void on_diagnoseToolButton_pressed();
    void on_diagnoseToolButton_released();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QString deviceIp() const;
    QString webGuiUrl() const;
    QString pageBase() const;
    // Opens the address by the profile's browser rule; a browser that does not
    // start is shown to the user with the address.
    void openPage(const QString &address);
    void openWebGui();
    void launchKovnet();
    void openRecoveryPage();
    void openDiagnosticsPage();
    void pauseTableUpdates(bool pause);
    // The active settings profile, or the defaults when the bus carries none.
    CONFIG_SETTINGS profile() const;
    static void showPicture(QLabel *label, QString *shown, const QString &path);

    Ui::DeviceToolbarWidget *ui;
    ArdentixDevice device;
    RUN_MODE runMode;
    // A button is held down and the table is paused for it.
    bool holdingPause;
    // The pictures the badge and the lock show; empty for none.
    QString badgeImage;
    QString lockImage;
    QPointer<QMessageBox> browserErrorBox;
};

#endif // DEVICETOOLBARWIDGET_H
