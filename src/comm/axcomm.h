#ifndef AXCOMM_H
#define AXCOMM_H

#include "adapterlist.h"

#include "model/ardentixdevice.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>

class AxSignalObject;
class VekComm;

// The one object through which the toolbox talks to devices: it owns the
// adapters with one VEK endpoint each, runs the discovery timers and reports
// every identification reply as a found device.
class AxComm : public QObject
{
    Q_OBJECT

public:
    AxComm(QObject *parent, AxSignalObject *upstream);
    ~AxComm() override;

    // Creates a VEK endpoint per adapter; only those whose address fits the
    // given one (every one for 255.255.255.255) are wired and capture.
    void startListening(const QHostAddress &address);

    void startVekPing(int interval);
    void stopVekPing();
    void startDirectedPing(int interval, const QHostAddress &target);
    void stopDirectedPing();

signals:
    void deviceFound(ArdentixDevice device);

public slots:
    void vekPing();
    void vekDirectedPing();
    void deviceLost(ArdentixDevice device);

private slots:
    void vekDeviceFound(ArdentixDevice device);

private:
    bool isDeviceOnAdapterSubnet(const ArdentixDevice &device);

    QTimer pingTimer;
    QTimer directedPingTimer;
    QHostAddress directedPingTarget;
    QPointer<AxSignalObject> bus;
    AdapterList *adapters = nullptr;
    VekComm *vekComm[AdapterList::MaxAdapters] = {};
};

#endif // AXCOMM_H
