#include "comm/vek/vekcomm.h"

#include "comm/link/adapter.h"
#include "comm/json/jsontext.h"
#include "comm/vek/kovmessage.h"
#include "comm/link/udppacket.h"
#include "comm/vek/vekfilegetter.h"
#include "comm/vek/vekfilesender.h"
#include "comm/vek/vekframe.h"
#include "comm/vek/vekiamreply.h"
#include "comm/link/winpcapreceiveprocess.h"

#include "model/axsignalobject.h"
#include "model/netutils.h"

#include <QDebug>
#include <QUdpSocket>

#include <pcap/pcap.h>

namespace {

const unsigned char kBroadcastMac[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const quint32 kBroadcastIp = 0xFFFFFFFF;
const quint16 kVekPort = 1024;
const quint16 kJsonPort = 1025;

// Only a complete MAC text names a device; anything else would send the
// command to whatever the unparsed bytes happen to hold.
bool macFromText(const QString &text, unsigned char *mac)
{
    const QStringList parts = text.split(':');
    if (parts.size() != 6)
        return false;
    for (const QString &part : parts) {
        bool ok = false;
        if (part.isEmpty() || part.size() > 2 || part.toUInt(&ok, 16) > 0xFF || !ok)
            return false;
    }
    parseMacString(text, mac);
    return true;
}

} // namespace

VekComm::VekComm(QObject *owner, AxSignalObject *upstream, const Adapter *adapter, const QHostAddress &replyFilter)
    : adapter(adapter)
    , replyFilter(replyFilter)
    , bus(new AxSignalObject(upstream))
    , sender(adapter->winPcapName())
    , fileSender(new VekFileSender(this))
    , fileGetter(new VekFileGetter(this))
{
    Q_UNUSED(owner);
    connectFileTransfers();
}

// The bus relay hangs below the upstream relay; it goes with this object so
// that no relay of a deleted endpoint keeps receiving.
VekComm::~VekComm()
{
    stopListening();
    delete bus.data();
}

void VekComm::startListening()
{
    if (captureThread)
        return;
    captureThread = new WinPcapReceiveProcess(adapter);
    connect(captureThread, &WinPcapReceiveProcess::newPacketReceived, this, &VekComm::processVekPacket);
    captureThread->startCapture();
}

void VekComm::stopListening()
{
    delete captureThread;
    captureThread = nullptr;
}

void VekComm::vekPingBroadcast()
{
    sendPayload(kBroadcastMac, kBroadcastIp, KovMessage::discoveryRequest());
}

void VekComm::vekPing(const QHostAddress &address)
{
    sendPayload(kBroadcastMac, address.toIPv4Address(), KovMessage::discoveryRequest());
}

void VekComm::vekPingUdp(quint32 address)
{
    QUdpSocket socket;
    if (!socket.bind(adapter->ip(), 0)) {
        qDebug() << "[VEK] Discovery not sent, cannot bind to" << adapter->ipString() << socket.errorString();
        return;
    }
    socket.writeDatagram(KovMessage::discoveryRequest(), QHostAddress(address), kVekPort);
}

void VekComm::requestAdvancedNetworkSupport()
{
    sendPayload(kBroadcastMac, kBroadcastIp, KovMessage::request(KOV_GET_NET_SUPPORT));
}

bool VekComm::vekRestartDevice(const ArdentixDevice &device)
{
    return sendToDevice(device.macAddress, device.ipAddress.toIPv4Address(), KovMessage::request(KOV_RESTART_DEVICE));
}

void VekComm::vekSetDeviceIp(const ArdentixDevice &device, const QHostAddress &newAddress)
{
    sendToDevice(device.macAddress, device.ipAddress.toIPv4Address(), KovMessage::setIpRequest(newAddress));
}

void VekComm::vekSetIpBroadcast(const QHostAddress &destination, const QHostAddress &newAddress)
{
    sendPayload(kBroadcastMac, destination.toIPv4Address(), KovMessage::setIpRequest(newAddress));
}

void VekComm::abortBridgeSnapshot(const ArdentixDevice &device)
{
    sendKovSimpleCommand(KOV_ABORT_BRIDGE_SNAPSHOT, device.macAddress);
}

void VekComm::vekGetFlashSize(const ArdentixDevice &device)
{
    sendKovSimpleCommand(KOV_GET_FLASH_SIZE, device.macAddress);
    pendingFlashSize.append(device);
    qDebug() << "Get Flash size";
}

void VekComm::sendKovSimpleCommand(quint8 command, const QString &mac)
{
    sendToDevice(mac, kBroadcastIp, KovMessage::request(command));
}

bool VekComm::sendToDevice(const QString &mac, quint32 destinationIp, const QByteArray &payload)
{
    unsigned char destination[6] = {0, 0, 0, 0, 0, 0};
    if (!macFromText(mac, destination)) {
        qCritical() << "[VEK] Command not sent, not a device MAC:" << mac;
        return false;
    }
    return sendPayload(destination, destinationIp, payload);
}

bool VekComm::sendPayload(const unsigned char *destinationMac, quint32 destinationIp, const QByteArray &payload)
{
    UdpPacket packet(destinationMac, adapter->macBytes(), destinationIp, adapter->ipv4(), kVekPort);
    const int taken = packet.setPayload(reinterpret_cast<const unsigned char *>(payload.constData()),
                                        static_cast<quint16>(qMin<qsizetype>(payload.size(), 0xFFFF)));
    if (taken != payload.size()) {
        qCritical() << "[VEK] Message not sent, too long for one frame:" << payload.size() << "bytes";
        return false;
    }
    return sendFrame(packet);
}

bool VekComm::sendFrame(const UdpPacket &packet)
{
    return sender.send(packet.buffer(), packet.frameLength());
}

void VekComm::sendFile(const QString &localPath, const QString &remoteName, const ArdentixDevice &target)
{
    fileSender->sendFile(localPath, remoteName, target);
}

void VekComm::getFile(const QString &remoteName, const ArdentixDevice &source)
{
    fileGetter->getFile(remoteName, source);
}

// The file machines send their commands to the device's MAC and the IPv4
// broadcast address, and report through this endpoint's relay.
void VekComm::connectFileTransfers()
{
    const auto sendCommand = [this](const QByteArray &payload, const QString &mac) {
        sendToDevice(mac, kBroadcastIp, payload);
    };
    connect(fileSender, &VekFileSender::kovRequest, this, sendCommand);
    connect(fileGetter, &VekFileGetter::kovRequest, this, sendCommand);
    connect(fileSender, &VekFileSender::fileSendReport, bus, &AxSignalObject::_slot_up_file_send_complete);
    connect(fileGetter, &VekFileGetter::fileReceived, bus, &AxSignalObject::_slot_up_file_received);
    connect(fileSender, &VekFileSender::finished, this, &VekComm::vek_file_send_finished);
    connect(fileSender, &VekFileSender::fileSendError, this, &VekComm::fileSendError);
}

void VekComm::processVekPacket(const QByteArray &bytes)
{
    const VekFrame frame(bytes);
    if (frame.size() <= 50) {
        if (shortFrameLog.admit())
            qDebug() << "Packet too short";
        return;
    }
    if (!frame.isIpv4())
        return;
    if (frame.udpSourcePort() == kJsonPort) {
        processJsonText(frame);
        return;
    }
    if (fileSender->processFrame(frame) || fileGetter->processFrame(frame))
        return;
    if (frame.payloadByte(0) == VekIamReply::MessageType)
        processIamReply(frame);
    if (frame.payloadByte(0) != ':' || frame.payloadByte(1) != '7')
        return;
    const quint8 marker = frame.payloadByte(2);
    const quint8 status = frame.payloadByte(3);
    if (marker == '<') {
        if (status == KOV_NAK)
            processNak(frame);
        else if (status == KOV_ACK)
            processAck(frame);
        else if (status == KOV_ERROR || status == KOV_FLASH_STANDARD || status == KOV_FLASH_LARGE)
            processFlashSize(frame, status);
    } else if (marker == '/' && status == KOV_GET_NET_SUPPORT) {
        processAdvancedNetwork(frame);
    }
}

void VekComm::processIamReply(const VekFrame &frame)
{
    ArdentixDevice device;
    if (VekIamReply::read(frame, *adapter, replyFilter, device, &replyLog) == VekIamReply::Accepted)
        emit vekIamReceived(device);
}

ArdentixDevice VekComm::senderRecord(const VekFrame &frame) const
{
    ArdentixDevice device;
    device.ipAddress = frame.sourceIp();
    const QByteArray mac = frame.sourceMac();
    device.setMac(reinterpret_cast<const unsigned char *>(mac.constData()));
    device.setDisplayMac(reinterpret_cast<const unsigned char *>(mac.constData()));
    return device;
}

void VekComm::processAck(const VekFrame &frame)
{
    ArdentixDevice device = senderRecord(frame);
    device.localAdapterMac = adapter->macString();
    emit vekAckReceived(device);
}

void VekComm::processNak(const VekFrame &frame)
{
    emit vekNakReceived(senderRecord(frame));
    qDebug() << "NAK received from: " << frame.sourceIp().toString();
}

void VekComm::processFlashSize(const VekFrame &frame, quint8 status)
{
    const QString mac = frame.sourceMacText();
    for (int i = 0; i < pendingFlashSize.size(); ++i) {
        if (pendingFlashSize.at(i).macAddress != mac)
            continue;
        ArdentixDevice device = pendingFlashSize.takeAt(i);
        if (status == KOV_ERROR)
            return;
        const int flashFlag = status == KOV_FLASH_LARGE ? 1 : 0;
        device.firmwareFileName = device.firmwareFileNameFor(static_cast<int>(device.platformCode), flashFlag);
        if (bus)
            bus->_slot_up_update_device_firmware_name(device);
        return;
    }
}

void VekComm::processAdvancedNetwork(const VekFrame &frame)
{
    const quint16 value = frame.littleEndian16(VekFrame::PayloadOffset + 6);
    emit vekAdvancedNetwork_support(frame.sourceMacText(), value > 0x41F ? VEK_NET_SUPPORTED : VEK_NET_NOT_SUPPORTED);
}

void VekComm::processJsonText(const VekFrame &frame)
{
    const QByteArray payload = frame.payload();
    const int end = payload.indexOf('\0');
    const QString text = QString::fromLatin1(payload.constData(), end < 0 ? payload.size() : end);
    bool ok = false;
    const QVariantMap result = JsonText::parse(text, ok).toMap().value(QStringLiteral("result")).toMap();
    if (jsonTextLog.admit())
        qDebug() << "[VEK] JSON text from" << frame.sourceIp().toString() << (ok ? "read" : "not readable") << result;
}
