#include "comm/vek/vekiamreply.h"

#include "comm/link/adapter.h"
#include "comm/link/ratelimitedlog.h"
#include "comm/vek/vekframe.h"

#include "model/ardentixdevice.h"
#include "model/netutils.h"

#include <QDebug>

namespace {

// Payload offsets of the reply's fields.
constexpr int kVersion = 1;
constexpr int kTitle = 2;
constexpr int kFirmware = 42;
constexpr int kRestartTime = 82;
constexpr int kDisplayMac = 138;
constexpr int kTag = 144;
constexpr int kStatus = 152;
constexpr int kPlatformCode = 160;
constexpr int kPlatformName = 162;

QString rejection(const VekFrame &frame)
{
    if (frame.size() < VekIamReply::ShortFrameSize)
        return QStringLiteral("too short");
    if (!frame.isUdpWithoutIpOptions())
        return QStringLiteral("not UDP over IPv4 without options");
    return QString();
}

quint32 platformCode(const VekFrame &frame)
{
    const int at = VekFrame::PayloadOffset + kPlatformCode;
    if (frame.size() == VekIamReply::ShortFrameSize)
        return frame.littleEndian16(at);
    if (frame.size() == VekIamReply::LongFrameSize)
        return frame.littleEndian32(at);
    return 0;
}

} // namespace

VekIamReply::Outcome VekIamReply::read(const VekFrame &frame, const Adapter &adapter,
                                       const QHostAddress &replyFilter, ArdentixDevice &device,
                                       RateLimitedLog *log)
{
    const QString problem = rejection(frame);
    if (!problem.isEmpty()) {
        if (log && !log->admit())
            return Malformed;
        qDebug() << "[VEK] Identification reply dropped:" << problem << frame.size() << "bytes from"
                 << frame.sourceIp().toString();
        return Malformed;
    }

    device = ArdentixDevice();
    device.localAdapterMac = formatMacAddress(adapter.macBytes());
    device.ipAddress = frame.sourceIp();
    if (!isAddressAccepted(device.ipAddress, replyFilter))
        return FilteredOut;
    // The fields lie at fixed offsets: what was captured is read, whatever the headers claim.
    if (!frame.lengthsMatchCapture() && (!log || log->admit())) {
        qDebug() << "[VEK] Identification reply read as captured:" << frame.size() << "bytes, IPv4 length"
                 << frame.ipTotalLength() << "UDP length" << frame.udpLength() << "from"
                 << frame.sourceIp().toString();
    }

    const int p = VekFrame::PayloadOffset;
    device.onAdapterSubnet = isOnAdapterSubnet(frame.destinationIp(), adapter);
    device.configTitle = frame.latin1Field(p + kTitle, 40, 39);
    device.firmwareVersion = frame.latin1Field(p + kFirmware, 40, 39);
    device.rebootTime = frame.latin1Field(p + kRestartTime, 39, 39);
    const quint8 version = frame.payloadByte(kVersion);
    if (version != 0) {
        device.iamVersion = version;
        device.secureGwSupport = version >= 2;
    }
    device.deviceTag = frame.latin1Field(p + kTag, 8, 8);
    device.deviceStatus = frame.littleEndian32(p + kStatus);
    const QByteArray displayMac = frame.bytes(p + kDisplayMac, 6);
    device.setDisplayMac(reinterpret_cast<const unsigned char *>(displayMac.constData()));
    const QByteArray mac = frame.sourceMac();
    device.setMac(reinterpret_cast<const unsigned char *>(mac.constData()));

    device.platformCode = platformCode(frame);
    const int code = static_cast<int>(device.platformCode);
    device.firmwareFileName = device.firmwareFileNameFor(code, -1);
    const QString name = frame.latin1Field(p + kPlatformName, 30, 30);
    device.devicePlatform = !name.isEmpty() && name.at(0).unicode() > '0'
        ? name : ArdentixDevice::platformNameForCode(code);
    device.nicCount = ArdentixDevice::nicCountForPlatform(code);
    return Accepted;
}
