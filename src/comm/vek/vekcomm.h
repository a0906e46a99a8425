#ifndef VEKCOMM_H
#define VEKCOMM_H

#include "model/ardentixdevice.h"
#include "model/axtypes.h"
#include "comm/link/pcapsender.h"
#include "comm/link/ratelimitedlog.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class Adapter;
class AxSignalObject;
class UdpPacket;
class VekFileGetter;
class VekFileSender;
class VekFrame;
class WinPcapReceiveProcess;

// The VEK endpoint of one network adapter: sends discovery and KOV commands
// as raw frames on the adapter and turns the frames its capture thread
// delivers into found devices and command answers.
class VekComm : public QObject
{
    Q_OBJECT

public:
    // The owner is accepted for the callers' sake; whoever creates the object
    // deletes it. Identification replies are taken only from addresses that
    // pass the reply filter.
    VekComm(QObject *owner, AxSignalObject *upstream, const Adapter *adapter, const QHostAddress &replyFilter);
    ~VekComm() override;

    void startListening();
    void stopListening();

    // Discovery.
    void vekPingBroadcast();
    void vekPing(const QHostAddress &address);
    void vekPingUdp(quint32 address);
    void requestAdvancedNetworkSupport();

    // Device commands.
    // False when the MAC is no MAC or the frame could not be sent.
    bool vekRestartDevice(const ArdentixDevice &device);
    void vekSetDeviceIp(const ArdentixDevice &device, const QHostAddress &newAddress);
    void vekSetIpBroadcast(const QHostAddress &destination, const QHostAddress &newAddress);
    void abortBridgeSnapshot(const ArdentixDevice &device);
    void vekGetFlashSize(const ArdentixDevice &device);

    // File transfer: one send and one get at a time, each file's end reported
    // once on the bus (file send complete, file received).
    void sendFile(const QString &localPath, const QString &remoteName, const ArdentixDevice &target);
    void getFile(const QString &remoteName, const ArdentixDevice &source);

signals:
    void vekIamReceived(ArdentixDevice device);
    void vekAckReceived(ArdentixDevice device);
    void vekNakReceived(ArdentixDevice device);
    void vekAdvancedNetwork_support(QString mac, VEK_NET_SUPPORT support);
    // A file send ended, whatever its result: the next queued file may go.
    void vek_file_send_finished();
    // A file to send could not be read: a title and a text to show the user.
    void fileSendError(QString title, QString text);

private slots:
    void processVekPacket(const QByteArray &frame);

private:
    // A KOV command to a device's MAC and the IPv4 broadcast address.
    void sendKovSimpleCommand(quint8 command, const QString &mac);
    bool sendToDevice(const QString &mac, quint32 destinationIp, const QByteArray &payload);
    bool sendPayload(const unsigned char *destinationMac, quint32 destinationIp, const QByteArray &payload);
    bool sendFrame(const UdpPacket &packet);

    void processIamReply(const VekFrame &frame);
    void processAck(const VekFrame &frame);
    void processNak(const VekFrame &frame);
    void processFlashSize(const VekFrame &frame, quint8 status);
    void processAdvancedNetwork(const VekFrame &frame);
    void processJsonText(const VekFrame &frame);
    ArdentixDevice senderRecord(const VekFrame &frame) const;
    void connectFileTransfers();

    const Adapter *adapter;
    WinPcapReceiveProcess *captureThread = nullptr;
    QHostAddress replyFilter;
    QPointer<AxSignalObject> bus;
    PcapSender sender;   // the capture thread keeps its own handle to itself
    // Any host on the network can send such frames at will.
    RateLimitedLog shortFrameLog{QtDebugMsg, QStringLiteral("Packet too short")};
    RateLimitedLog replyLog{QtDebugMsg, QStringLiteral("[VEK] Identification replies dropped or read as captured")};
    RateLimitedLog jsonTextLog{QtDebugMsg, QStringLiteral("[VEK] JSON text frames")};
    QList<ArdentixDevice> pendingFlashSize;
    VekFileSender *fileSender;
    VekFileGetter *fileGetter;
};

#endif // VEKCOMM_H
