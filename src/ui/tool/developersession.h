#ifndef DEVELOPERSESSION_H
#define DEVELOPERSESSION_H

#include "comm/link/adapterlist.h"
#include "model/ardentixdevice.h"
#include "model/devicedatabase.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>

class Adapter;
class AxComm;
class DeviceDatabaseAdder;
class WinPcapReceiveProcess;

// What the engineering window drives by hand: its own adapter list with a
// capture thread per adapter that counts VEK traffic, one-shot VEK sends
// through one adapter, its own communications manager with a repeating ping,
// and its own device store, which keeps every device the manager finds.
// Typed text is checked before anything is sent; what is refused is reported
// through refused() and nothing goes out.
class DeveloperSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int RepeatingPingMs = 1500;
    // Adder threads carry a device and end at once; more than this at a time
    // means a burst of replies, and the store has the devices anyway.
    static constexpr int MaxRunningAdders = 10;

    explicit DeveloperSession(QObject *parent = nullptr);
    ~DeveloperSession() override;

    // Adapters and capture. A new list stops the capture on the old one first.
    void readAdapters();
    const AdapterList *adapters() const;
    // Captures on every adapter of the list; false without a list or when
    // capturing already.
    bool startCapture();
    bool isCapturing() const;
    quint32 packetCount() const;
    quint32 byteCount() const;

    // One command through the adapter at that index of the list.
    bool pingBroadcast(int adapterIndex);
    bool setIp(int adapterIndex, const QString &currentIp, const QString &newIp);
    bool pingRemote(int adapterIndex, const QString &address);

    // The communications manager: made once, listens once.
    bool createComm();
    AxComm *comm() const;
    bool listenForVek();
    bool isListening() const;
    void pingAll();
    // One repeating ping at most: a second start keeps the running one.
    bool startRepeatingPing();
    void stopRepeatingPing();
    bool isRepeatingPing() const;

    // The store.
    DeviceDatabase &store();
    bool readOnlineDevices();
    // Restarts the stored device with that MAC through the adapter that saw it.
    bool restartDevice(const QString &mac);
    int runningAdders() const;

signals:
    void trafficCounted(quint32 packets, quint32 bytes);
    void adapterMessage(const QString &text);
    void commMessage(const QString &text);
    void refused(const QString &reason);
    void onlineDevice(const ArdentixDevice &device);

private slots:
    void frameCaptured(const QByteArray &frame);
    void onDeviceFound(const ArdentixDevice &device);

private:
    void getVekPacket(const uchar *data, ulong length);
    void stopCapture();
    // Each null after refusing.
    const Adapter *selectedAdapter(int adapterIndex);
    QHostAddress deviceAddress(const Adapter &adapter, const QString &field, const QString &text);
    bool refuse(const QString &reason);

    DeviceDatabase database;   // first made, last gone
    std::unique_ptr<AdapterList> adapterList;
    std::array<std::unique_ptr<WinPcapReceiveProcess>, AdapterList::MaxAdapters> captureThreads;
    bool capturing = false;
    quint32 packets = 0;
    quint32 bytes = 0;
    AxComm *manager = nullptr;
    bool listening = false;
    QTimer repeatingPing;
    QList<DeviceDatabaseAdder *> adders;
};

#endif // DEVELOPERSESSION_H
