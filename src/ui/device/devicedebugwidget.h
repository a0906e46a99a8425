#ifndef DEVICEDEBUGWIDGET_H
#define DEVICEDEBUGWIDGET_H

#include "ui/device/diagnostics/diagnosticrun.h"
#include "model/ardentixdevice.h"
#include "ui/axsignalwidget.h"
#include "ui/runmode.h"

#include <QString>
#include <QTime>

namespace Ui {
class DeviceDebugWidget;
}

// The "Device Diagnostics" window of one device. It shows a DiagnosticRun: the
// test, period and options chosen, the run's stages, its count-down and its
// notices; Start and Abort drive it. A device that needs a password is logged
// in first.
class DeviceDebugWidget : public AxSignalWidget
{
    Q_OBJECT

public:
    // Shows itself. runMode is not used by this window; the JSON deadline is
    // that of the device's file listing request.
    DeviceDebugWidget(QWidget *parent, RUN_MODE runMode, AxSignalObject *upstream,
                      const ArdentixDevice &device,
                      int jsonDeadlineMs = AxNetworkAccessManager::kDefaultDeadlineMs);
    ~DeviceDebugWidget() override;

private slots:
    void on_close_button_clicked();
    void on_openFolderButton_clicked();
    void on_diagnosticTestComboBox_activated(int index);
    void on_startDebugButton_clicked();
    void UpdateDevice(ArdentixDevice updated);
    void on_advancedOptionsCheckBox_clicked(bool checked);
    // Login.
    void device_login(QString user, QString password);
    void device_login_authenticated(ArdentixDevice dev, bool ok);
    // What the run reports.
    void showCaptureStarting();
    void showEventsToTrigger(const QString &title, const QString &text);
    void showGivingUp(const QString &reason);
    void showIdle();
    void showCompleted(const QString &results);
    void showCollectedNothing(const QString &why);

private:
    DiagnosticRunOptions chosenOptions() const;
    void askForLogin();
    void askToAbort();

    Ui::DeviceDebugWidget *ui;
    DiagnosticRun *run;
    QTime savedPeriod;
};

#endif // DEVICEDEBUGWIDGET_H
