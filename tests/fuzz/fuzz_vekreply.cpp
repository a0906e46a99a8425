#include "comm/link/adapter.h"
#include "comm/vek/kovmessage.h"
#include "comm/vek/vekcomm.h"
#include "comm/vek/vekframe.h"
#include "comm/vek/vekiamreply.h"

#include "model/ardentixdevice.h"
#include "model/axsignalobject.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cstddef>
#include <cstdint>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

const Adapter &adapter()
{
    static const Adapter lan(QHostAddress("192.168.1.10"), QHostAddress("255.255.255.0"), "axnosuchif0", "",
                             "02:00:0A:4D:00:01");
    return lan;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);   // every dropped frame is logged
    return 0;
}

// One captured frame as the capture thread hands it over: through the
// endpoint's dispatcher, the identification reader and both KOV reply readers.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static AxSignalObject root(nullptr);
    static VekComm vek(nullptr, &root, &adapter(), QHostAddress("255.255.255.255"));

    const QByteArray frame(reinterpret_cast<const char *>(data), qsizetype(size));
    QMetaObject::invokeMethod(&vek, "processVekPacket", Q_ARG(QByteArray, frame));

    ArdentixDevice device;
    if (VekIamReply::read(VekFrame(frame), adapter(), QHostAddress("255.255.255.255"), device)
        == VekIamReply::Accepted) {
        if (device.configTitle.size() > 39 || device.deviceTag.size() > 8)
            __builtin_trap();
    }

    const QByteArray payload = frame.mid(42);
    unsigned char segment[468];
    unsigned char value[4];
    KovMessage::parseKovDataReply(payload, segment, sizeof segment);
    KovMessage::parseKovValueReply(payload, value, sizeof value, 0xA5);
    return 0;
}
