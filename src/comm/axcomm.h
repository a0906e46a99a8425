#ifndef AXCOMM_H
#define AXCOMM_H

#include "comm/link/adapterlist.h"
#include "comm/transfer/filebatch.h"
#include "comm/transfer/filenamepair.h"

#include "model/ardentixdevice.h"

#include <QDateTime>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>

class AxFileAccess;
class AxSignalObject;
class JsonComm;
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

    // The adapters the manager listens on, for callers that list them.
    const AdapterList *adapterList() const;
    // A KOV restart through the adapter that saw the device; false when none
    // did or the device's MAC is no MAC, and nothing was sent.
    bool vekRestartDevice(const ArdentixDevice &device);

    void startVekPing(int interval);
    void stopVekPing();
    void startDirectedPing(int interval, const QHostAddress &target);
    void stopDirectedPing();

signals:
    void deviceFound(ArdentixDevice device);

    // Device request routing (axcommrouting.cpp).
    void vekAckReceived(ArdentixDevice ack_device);
    void vekNakReceived(ArdentixDevice nak_device);
    // A file to send could not be read: a title and a text to show the user.
    // Its failure report follows on the bus.
    void fileSendError(QString title, QString text);

public slots:
    void vekPing();
    void vekDirectedPing();
    void deviceLost(ArdentixDevice device);

    // Device request routing (axcommrouting.cpp): each request goes over
    // JSON-RPC when the device speaks it and is reachable, else over VEK
    // through the adapter that saw the device, else nowhere. Every file get
    // and every file of a send ends with one final report on the bus, also
    // when it goes nowhere; send requests run one after the other per route.
    void ForceCommCheck(ArdentixDevice device);
    void CheckAxguiSupport(ArdentixDevice device);
    void CheckAuthentication(ArdentixDevice device);
    void RestartDevice(ArdentixDevice req_device);
    void DeviceTimeSync(QDateTime date_time, ArdentixDevice req_device);
    void SetDeviceIp(ArdentixDevice req_device, QString n1_ip, QString n2_ip, bool restart);
    void processVekAckReceived(ArdentixDevice device);
    void processVekNakReceived(ArdentixDevice device);
    void sendFileRequest(QStringList local_file_path, QStringList remote_file_name, ArdentixDevice device);
    void getFileRequest(QString remote_file_name, ArdentixDevice device);
    void _slot_sendFileComplete(QString file_name, FILE_TRANSFER_STATE tx_state, float progress,
                                ArdentixDevice device);
    void process_vek_file_send_finished();
    void readSystemTimeRequest(ArdentixDevice req_device);
    void vekGetFlashSize(ArdentixDevice req_device);
    void AbortBridgeSnapshot(ArdentixDevice device);

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

    // Device request routing (axcommrouting.cpp).
    void setUpRouting();
    void connectRouting(VekComm *vek);
    static bool isJsonUsable(const ArdentixDevice &device);
    VekComm *deviceAdapter(const ArdentixDevice &device) const;
    void vekSetIp(const ArdentixDevice &device, const QString &address);
    void startNextVekBatch();
    void vekGetFile(const QString &remoteName, const ArdentixDevice &device);
    void reportSendFailed(const QStringList &localPaths, const ArdentixDevice &device);
    void reportNotReceived(const QString &remoteName, const ArdentixDevice &device);

    JsonComm *jsonComm = nullptr;
    QStringList pendingRestartMacs;    // VEK set-IP waiting for the acknowledge to restart
    AxFileAccess *fileAccess = nullptr;
    QList<FileNamePair> vekFileQueue;  // first entry: the file being sent
    ArdentixDevice vekFileTarget;
    QList<FileBatch> waitingVekBatches;
};

#endif // AXCOMM_H
