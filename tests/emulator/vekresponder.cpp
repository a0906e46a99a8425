#include "vekresponder.h"

#include "deviceset.h"
#include "emulatorlog.h"
#include "rawframeio.h"

#include "comm/vek/kovmessage.h"
#include "comm/link/udppacket.h"
#include "comm/vek/vekframe.h"

#include <QTimer>
#include <QtEndian>

namespace {

const unsigned char kBroadcastMac[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

void putText(QByteArray &payload, int offset, const QString &text, int fieldSize)
{
    const QByteArray bytes = text.toLatin1().left(fieldSize);
    payload.replace(offset, bytes.size(), bytes);
}

QByteArray statusPayload(quint8 status)
{
    return QByteArray(":7<", 3) + char(status);
}

} // namespace

VekResponder::VekResponder(DeviceSet *devices, RawFrameIo *io, QObject *parent)
    : QObject(parent)
    , m_devices(devices)
    , m_io(io)
{
    connect(m_io, &RawFrameIo::frameReceived, this, &VekResponder::handleFrame);
}

QByteArray VekResponder::replyFrame(const EmulatedDevice &device, const VekFrame &request, const QByteArray &payload)
{
    UdpPacket packet(kBroadcastMac, reinterpret_cast<const unsigned char *>(device.mac.constData()),
                     request.sourceIp().toIPv4Address(), device.ip.toIPv4Address(), 1024,
                     request.udpSourcePort());
    if (packet.setPayload(reinterpret_cast<const unsigned char *>(payload.constData()), payload.size()) < 0)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(packet.buffer()), packet.frameLength());
}

QByteArray VekResponder::identificationPayload(const EmulatedDevice &device)
{
    QByteArray payload(device.replySize - VekFrame::PayloadOffset, '\0');
    payload[0] = 0x06;
    payload[1] = static_cast<char>(device.replyVersion);
    putText(payload, 2, device.title, 39);
    putText(payload, 42, device.firmware, 39);
    putText(payload, 82, device.restartTime, 38);
    payload.replace(138, 6, device.mac);
    putText(payload, 144, device.tag, 8);
    qToLittleEndian(device.status, payload.data() + 152);
    if (device.replySize >= 238)
        qToLittleEndian(device.platformCode, payload.data() + 160);
    else
        qToLittleEndian(static_cast<quint16>(device.platformCode), payload.data() + 160);
    putText(payload, 162, device.platformName, 30);
    return payload;
}

void VekResponder::handleFrame(const QByteArray &frame)
{
    const VekFrame request(frame);
    if (!request.isPlainUdp() || request.udpDestinationPort() != 1024)
        return;
    const QByteArray payload = request.bytes(VekFrame::PayloadOffset, request.udpDataLength());
    if (payload.size() == KovMessage::DiscoveryRequestSize && payload.at(0) == 0x05)
        answerDiscovery(request);
    else if (payload.startsWith(QByteArray("\x01\x01:7>", 5)) && payload.size() >= 10)
        answerKov(request, payload);
}

void VekResponder::answerDiscovery(const VekFrame &request)
{
    const QList<EmulatedDevice *> targets = m_devices->discoveryTargets(request.destinationIp());
    int answered = 0;
    for (const EmulatedDevice *device : targets) {
        if (device->silent)
            continue;
        QByteArray frame = replyFrame(*device, request, identificationPayload(*device));
        if (device->malformed)
            frame.truncate(150);
        sendLater(*device, frame);
        ++answered;
    }
    EmulatorLog::line(QStringLiteral("DISCOVERY from %1 to %2 answered %3")
                          .arg(request.sourceIp().toString(), request.destinationIp().toString())
                          .arg(answered));
}

void VekResponder::answerKov(const VekFrame &request, const QByteArray &payload)
{
    const quint8 command = static_cast<quint8>(payload.at(5));
    const quint16 lengthField = qFromLittleEndian<quint16>(payload.constData() + 6);
    const QByteArray data = payload.mid(8, payload.size() - 10);

    QList<EmulatedDevice *> targets;
    const QByteArray destination = request.destinationMac();
    if (destination == QByteArray(reinterpret_cast<const char *>(kBroadcastMac), 6))
        targets = m_devices->discoveryTargets(request.destinationIp());
    else if (EmulatedDevice *device = m_devices->byMac(destination))
        targets.append(device);

    for (EmulatedDevice *device : targets) {
        if (device->silent)
            continue;
        EmulatorLog::line(QStringLiteral("KOV %1 %2 %3")
                              .arg(device->macText())
                              .arg(command, 2, 16, QChar('0'))
                              .arg(QString::fromLatin1(payload.toHex())));
        answerCommand(*device, request, command, data, lengthField);
    }
}

void VekResponder::answerCommand(EmulatedDevice &device, const VekFrame &request, quint8 command,
                                 const QByteArray &data, quint16 lengthField)
{
    QByteArray answer;
    QHostAddress newAddress;
    switch (command) {
    case KOV_RESTART_DEVICE:
    case KOV_ABORT_BRIDGE_SNAPSHOT:
        answer = statusPayload(KOV_ACK);
        break;
    case KOV_SET_IP_ADDRESS: {
        // The length field counts one byte more than the text carries.
        const QHostAddress address(QString::fromLatin1(data.left(lengthField - 1)));
        const bool valid = lengthField >= 1 && lengthField - 1 == data.size()
            && address.protocol() == QAbstractSocket::IPv4Protocol;
        answer = statusPayload(valid ? KOV_ACK : KOV_NAK);
        if (valid)
            newAddress = address;
        break;
    }
    case KOV_GET_FLASH_SIZE:
        answer = statusPayload(device.largeFlash ? KOV_FLASH_LARGE : KOV_FLASH_STANDARD);
        break;
    case KOV_GET_NET_SUPPORT:
        answer = QByteArray(":7/", 3) + char(KOV_GET_NET_SUPPORT) + QByteArray("\x02\x00", 2)
            + char(device.netSupport & 0xFF) + char(device.netSupport >> 8);
        break;
    default:
        return;   // file transfer commands are another class's
    }
    sendLater(device, replyFrame(device, request, answer));
    // The acknowledgement still comes from the old address.
    if (!newAddress.isNull())
        device.ip = newAddress;
}

void VekResponder::sendLater(const EmulatedDevice &device, const QByteArray &frame)
{
    if (device.lateMs <= 0) {
        m_io->send(frame);
        return;
    }
    QTimer::singleShot(device.lateMs, this, [this, frame] { m_io->send(frame); });
}
