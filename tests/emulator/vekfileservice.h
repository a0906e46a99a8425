#ifndef VEKFILESERVICE_H
#define VEKFILESERVICE_H

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>

class DeviceFileStore;
class DeviceSet;
class FileTransferOptions;
class RawFrameIo;
class VekFileResponder;
class VekFrame;

// Every gateway's file system and its side of the VEK file send and get:
// answers the KOV file commands addressed to a gateway's MAC, to the broadcast
// MAC as gateways do. The web side reaches the same files through store().
class VekFileService : public QObject
{
    Q_OBJECT

public:
    VekFileService(DeviceSet *devices, RawFrameIo *io, QObject *parent = nullptr);
    ~VekFileService() override;

    bool configure(const FileTransferOptions &options, QString *error);
    // The file system of the gateway at this address, or null.
    DeviceFileStore *store(const QHostAddress &address) const;

private:
    void handleFrame(const QByteArray &frame);

    DeviceSet *m_devices;
    RawFrameIo *m_io;
    QHash<QByteArray, DeviceFileStore *> m_stores;          // by the gateway's MAC
    QHash<QByteArray, VekFileResponder *> m_responders;
};

#endif // VEKFILESERVICE_H
