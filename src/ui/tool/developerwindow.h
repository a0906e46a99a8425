#ifndef DEVELOPERWINDOW_H
#define DEVELOPERWINDOW_H

#include "model/ardentixdevice.h"

#include <QMainWindow>

class DeveloperSession;

namespace Ui {
class DeveloperWindow;
}

// The engineering window: drives adapters, capture, VEK and a device store of
// its own by hand, one button at a time. Nothing else in the program opens it;
// closing it stops and frees everything it started.
class DeveloperWindow : public QMainWindow
{
    Q_OBJECT

public:
    DeveloperWindow();
    ~DeveloperWindow() override;

    DeveloperSession *session() const;

private slots:
    void on_getAdapterButton_clicked();
    void on_listenButton_clicked();
    void on_pingButton_clicked();
    void updateOnlineDevice(const ArdentixDevice &device);
    void on_pushButton_clicked();
    void on_createAxcommButton_clicked();
    void on_vekListenButton_clicked();
    void on_vekPingAllButton_clicked();
    void on_startRPingButton_clicked();
    void on_stopRPingButton_clicked();
    void on_readOnlineButton_clicked();
    void on_setIpButton_clicked();
    void on_restartButton_clicked();

    void showTraffic(quint32 packets, quint32 bytes);
    void showRefusal(const QString &reason);

private:
    int selectedAdapter() const;

    Ui::DeveloperWindow *ui;
    DeveloperSession *work;
};

#endif // DEVELOPERWINDOW_H
