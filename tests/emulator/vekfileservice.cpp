#include "vekfileservice.h"

#include "devicefilestore.h"
#include "deviceset.h"
#include "emulatorlog.h"
#include "filetransferoptions.h"
#include "rawframeio.h"
#include "vekfileresponder.h"
#include "vekresponder.h"

#include "comm/vek/vekframe.h"

#include <QTimer>

VekFileService::VekFileService(DeviceSet *devices, RawFrameIo *io, QObject *parent)
    : QObject(parent)
    , m_devices(devices)
    , m_io(io)
{
    for (EmulatedDevice *device : m_devices->all()) {
        auto *store = new DeviceFileStore;
        m_stores.insert(device->mac, store);
        m_responders.insert(device->mac, new VekFileResponder(store));
    }
    connect(m_io, &RawFrameIo::frameReceived, this, &VekFileService::handleFrame);
}

VekFileService::~VekFileService()
{
    qDeleteAll(m_responders);
    qDeleteAll(m_stores);
}

bool VekFileService::configure(const FileTransferOptions &options, QString *error)
{
    for (DeviceFileStore *store : std::as_const(m_stores)) {
        if (options.diskCapacity > 0)
            store->setDiskCapacity(options.diskCapacity);
        if (!options.filesFolder.isEmpty() && !store->loadFolder(options.filesFolder, error))
            return false;
    }
    for (VekFileResponder *responder : std::as_const(m_responders)) {
        responder->setPassword(options.password);
        responder->dropAnswerToSegment(options.dropSegmentAnswer);
        responder->corruptSegment(options.corruptSegment);
    }
    return true;
}

DeviceFileStore *VekFileService::store(const QHostAddress &address) const
{
    for (EmulatedDevice *device : m_devices->all()) {
        if (device->ip == address)
            return m_stores.value(device->mac);
    }
    return nullptr;
}

void VekFileService::handleFrame(const QByteArray &frame)
{
    const VekFrame request(frame);
    if (!request.isPlainUdp() || request.udpDestinationPort() != 1024)
        return;
    const QByteArray payload = request.bytes(VekFrame::PayloadOffset, request.udpDataLength());
    if (payload.size() < 10 || !payload.startsWith(QByteArray("\x01\x01:7>", 5))
        || !VekFileResponder::handles(quint8(payload.at(5))))
        return;
    EmulatedDevice *device = m_devices->byMac(request.destinationMac());
    if (!device || device->silent)
        return;

    VekFileResponder *responder = m_responders.value(device->mac);
    const QByteArray answer = responder->answer(payload);
    EmulatorLog::line(QStringLiteral("FILE %1 %2 %3")
                          .arg(device->macText())
                          .arg(quint8(payload.at(5)), 2, 16, QChar('0'))
                          .arg(answer.isEmpty() ? QStringLiteral("silent")
                                                : QString::fromLatin1(answer.left(4).toHex())));
    if (answer.isEmpty())
        return;
    const QByteArray reply = VekResponder::replyFrame(*device, request, answer);
    if (device->lateMs > 0)
        QTimer::singleShot(device->lateMs, this, [this, reply] { m_io->send(reply); });
    else
        m_io->send(reply);
}
