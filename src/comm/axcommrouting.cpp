// Device request routing of the communications manager: every device request
// of the bus and the store goes over JSON-RPC when the device speaks it and
// can be reached over IP (or was added by the user), else over VEK through the
// adapter that saw the device, else nowhere.

#include "axcomm.h"

#include "comm/link/adapter.h"
#include "comm/transfer/axfileaccess.h"
#include "comm/json/jsoncomm.h"
#include "comm/vek/vekcomm.h"

#include "model/axsignalobject.h"

#include <QDebug>
#include <QDir>
#include <QMetaObject>

void AxComm::setUpRouting()
{
    fileAccess = new AxFileAccess(this);
    connect(fileAccess, &AxFileAccess::signal_file_send_complete, this, &AxComm::_slot_sendFileComplete);
    jsonComm = new JsonComm(this, bus);
}

void AxComm::connectRouting(VekComm *vek)
{
    connect(vek, &VekComm::vekAckReceived, this, &AxComm::processVekAckReceived);
    connect(vek, &VekComm::vekNakReceived, this, &AxComm::processVekNakReceived);
    connect(vek, &VekComm::vek_file_send_finished, this, &AxComm::process_vek_file_send_finished);
    connect(vek, &VekComm::fileSendError, this, &AxComm::fileSendError);
}

bool AxComm::isJsonUsable(const ArdentixDevice &device)
{
    return device.jsonSupport && (device.isIpReachable() || device.userDevice);
}

// The endpoint of the adapter whose capture saw the device, or null.
VekComm *AxComm::deviceAdapter(const ArdentixDevice &device) const
{
    for (int i = 0; i < adapters->count(); ++i) {
        if (adapters->adapter(static_cast<quint8>(i))->macString() == device.localAdapterMac)
            return vekComm[i];
    }
    return nullptr;
}

void AxComm::ForceCommCheck(ArdentixDevice device)
{
    CheckAxguiSupport(device);
    for (int i = 0; i < adapters->count(); ++i) {
        if (vekComm[i])
            vekComm[i]->vekPingUdp(device.ipAddress.toIPv4Address());
    }
}

void AxComm::CheckAxguiSupport(ArdentixDevice device)
{
    jsonComm->CheckAxguiSupport(device);
}

void AxComm::CheckAuthentication(ArdentixDevice device)
{
    jsonComm->ReadAuthStatus(device);
}

void AxComm::RestartDevice(ArdentixDevice req_device)
{
    if (isJsonUsable(req_device)) {
        jsonComm->RestartDevice(req_device);
    } else if (req_device.vekConnectivity) {
        qDebug() << "[VEK] Send Restart request";
        vekRestartDevice(req_device);
    }
}

void AxComm::DeviceTimeSync(QDateTime date_time, ArdentixDevice req_device)
{
    if (!isJsonUsable(req_device))
        return;
    qDebug() << "[JSON] Send Time Sync request";
    jsonComm->TimeSyncRequest(date_time, req_device);
}

void AxComm::SetDeviceIp(ArdentixDevice req_device, QString n1_ip, QString n2_ip, bool restart)
{
    if (isJsonUsable(req_device)) {
        jsonComm->UpdateIpSettings(req_device, n1_ip, n2_ip, restart);
        qDebug() << "[JSON] Set IP";
        return;
    }
    if (!req_device.vekConnectivity || n1_ip.isEmpty())
        return;
    // Over VEK the address travels as four bytes: text that is no address would become 0.0.0.0.
    if (QHostAddress(n1_ip).protocol() != QAbstractSocket::IPv4Protocol) {
        qDebug() << "[VEK] Set IP refused, not an IPv4 address:" << n1_ip;
        return;
    }
    qDebug() << "[VEK] Set IP";
    vekSetIp(req_device, n1_ip);
    if (restart)
        pendingRestartMacs.append(req_device.macAddress);
}

// The set-IP moves the device to its new address, so its restart goes to the
// broadcast address as soon as it acknowledges.
void AxComm::processVekAckReceived(ArdentixDevice device)
{
    const QStringList pending = pendingRestartMacs;
    for (const QString &mac : pending) {
        if (mac != device.macAddress)
            continue;
        device.ipAddress = QHostAddress(QStringLiteral("255.255.255.255"));
        vekRestartDevice(device);
        pendingRestartMacs.removeOne(mac);
    }
    emit vekAckReceived(device);
}

void AxComm::processVekNakReceived(ArdentixDevice device)
{
    emit vekNakReceived(device);
}

void AxComm::sendFileRequest(QStringList local_file_path, QStringList remote_file_name, ArdentixDevice device)
{
    if (isJsonUsable(device)) {
        if (!fileAccess->sendFiles(local_file_path, remote_file_name, device))
            reportSendFailed(local_file_path, device);
        return;
    }
    if (!device.vekConnectivity) {
        qDebug() << "Send files: no way to reach" << device.ipAddress.toString();
        reportSendFailed(local_file_path, device);
        return;
    }
    if (remote_file_name.size() < local_file_path.size()) {
        qDebug() << "[VEK] Send files refused: fewer remote names than files" << remote_file_name.size()
                 << local_file_path.size();
        reportSendFailed(local_file_path, device);
        return;
    }
    FileBatch batch{{}, device};
    for (int k = 0; k < local_file_path.size(); ++k)
        batch.files.append(FileNamePair{local_file_path.at(k), remote_file_name.at(k)});
    if (batch.files.isEmpty())
        return;
    waitingVekBatches.append(batch);
    if (vekFileQueue.isEmpty())
        startNextVekBatch();
    else
        qDebug() << "[VEK] Send files to" << device.macAddress << "wait for those to" << vekFileTarget.macAddress;
}

// One VEK batch at a time, whatever the adapter; a batch for a device no
// adapter sees ends at once, every file failed.
void AxComm::startNextVekBatch()
{
    while (!waitingVekBatches.isEmpty()) {
        const FileBatch batch = waitingVekBatches.takeFirst();
        VekComm *vek = deviceAdapter(batch.device);
        if (!vek) {
            qDebug() << "[VEK] Send files: no adapter sees" << batch.device.macAddress;
            QStringList paths;
            for (const FileNamePair &file : batch.files)
                paths << file.localPath;
            reportSendFailed(paths, batch.device);
            continue;
        }
        vekFileQueue = batch.files;
        vekFileTarget = batch.device;
        vek->sendFile(vekFileQueue.first().localPath, vekFileQueue.first().remoteName, vekFileTarget);
        return;
    }
}

// The rest of the batch goes on as a batch of its own, ahead of those waiting.
void AxComm::process_vek_file_send_finished()
{
    if (!vekFileQueue.isEmpty())
        vekFileQueue.removeFirst();
    if (!vekFileQueue.isEmpty()) {
        qDebug() << "[VKE] Send next file in list " << vekFileQueue.first().localPath;
        waitingVekBatches.prepend(FileBatch{vekFileQueue, vekFileTarget});
        vekFileQueue.clear();
    }
    startNextVekBatch();
}

void AxComm::getFileRequest(QString remote_file_name, ArdentixDevice device)
{
    if (isJsonUsable(device)) {
        jsonComm->RequestGeneralFile(remote_file_name, device);
    } else if (device.vekConnectivity) {
        vekGetFile(remote_file_name, device);
    } else {
        qDebug() << "Get file: no way to reach" << device.ipAddress.toString();
        reportNotReceived(remote_file_name, device);
    }
}

void AxComm::_slot_sendFileComplete(QString file_name, FILE_TRANSFER_STATE tx_state, float progress,
                                    ArdentixDevice device)
{
    qDebug() << "File Complete: " << device.ipAddress.toString();
    if (bus)
        bus->_slot_up_file_send_complete(file_name, tx_state, progress, device);
}

void AxComm::readSystemTimeRequest(ArdentixDevice req_device)
{
    if (isJsonUsable(req_device))
        jsonComm->readSystemTime(req_device);
}

void AxComm::vekGetFlashSize(ArdentixDevice req_device)
{
    for (int i = 0; i < adapters->count(); ++i) {
        if (vekComm[i])
            vekComm[i]->vekGetFlashSize(req_device);
    }
}

void AxComm::AbortBridgeSnapshot(ArdentixDevice device)
{
    VekComm *vek = deviceAdapter(device);
    if (!vek)
        return;
    qDebug() << "[VEK] Abort Bridge Snapshot: " << device.ipAddress.toString();
    vek->abortBridgeSnapshot(device);
}

bool AxComm::vekRestartDevice(const ArdentixDevice &device)
{
    VekComm *vek = deviceAdapter(device);
    if (!vek)
        return false;
    qDebug() << "[VEK] Restart device";
    return vek->vekRestartDevice(device);
}

void AxComm::vekSetIp(const ArdentixDevice &device, const QString &address)
{
    if (VekComm *vek = deviceAdapter(device))
        vek->vekSetDeviceIp(device, QHostAddress(address));
}

void AxComm::vekGetFile(const QString &remoteName, const ArdentixDevice &device)
{
    if (VekComm *vek = deviceAdapter(device)) {
        vek->getFile(remoteName, device);
        return;
    }
    qDebug() << "[VEK] Get file: no adapter sees" << device.macAddress;
    reportNotReceived(remoteName, device);
}

// Requests that go nowhere are answered from the event loop: a window hears
// the end of a request only after it has finished asking.
void AxComm::reportSendFailed(const QStringList &localPaths, const ArdentixDevice &device)
{
    QMetaObject::invokeMethod(this, [this, localPaths, device] {
        for (const QString &path : localPaths)
            _slot_sendFileComplete(QDir::fromNativeSeparators(path), FILE_TRANSFER_FAILED, 0.0f, device);
    }, Qt::QueuedConnection);
}

void AxComm::reportNotReceived(const QString &remoteName, const ArdentixDevice &device)
{
    QMetaObject::invokeMethod(this, [this, remoteName, device] {
        if (bus)
            bus->_slot_up_file_received(remoteName, QByteArray(), false, device);
    }, Qt::QueuedConnection);
}
