#ifndef CONFIGUREDEVICEWIDGET_H
#define CONFIGUREDEVICEWIDGET_H

#include "model/ardentixdevice.h"
#include "ui/axsignalwidget.h"

#include <QPointer>
#include <QString>

class ConfigureDeviceSession;
class FileTransferWidget;
class IpConfigWidget;
class LoginDialog;
class SetTimeWidget;

namespace Ui {
class ConfigureDeviceWidget;
}

// The "Configure Device" window of one device: leads to its network settings,
// restart, file transfer and clock, after a login when the device wants one.
// It shows itself. The windows it opens stay open when it closes; one whose
// update restarts the device closes it too.
class ConfigureDeviceWidget : public AxSignalWidget
{
    Q_OBJECT

public:
    // optionFlags go to the file transfer window unchanged.
    ConfigureDeviceWidget(QWidget *parent, AxSignalObject *upstream, const ArdentixDevice &device,
                          int optionFlags);
    ~ConfigureDeviceWidget() override;

private slots:
    void on_cancelButton_clicked();
    void on_restartDeviceButton_clicked();
    void on_synchTimeButton_clicked();
    void on_setIpButton_clicked();
    void on_sendFileButton_clicked();
    void closeConfigWidget();
    void closeFileWidget();
    void closeSetTimeWidget();

    void askForLogin(const QString &message);
    void unlock();

private:
    void setLocked(bool locked);

    Ui::ConfigureDeviceWidget *ui;
    ConfigureDeviceSession *m_session;
    QPointer<IpConfigWidget> networkSettingsWidget;
    QPointer<FileTransferWidget> fileTransferWidget;
    QPointer<SetTimeWidget> setTimeWidget;
    QPointer<LoginDialog> m_loginDialog;
    int optionFlags;
};

#endif // CONFIGUREDEVICEWIDGET_H
