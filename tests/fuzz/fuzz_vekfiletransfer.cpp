#include "comm/vek/vekfilegetter.h"
#include "comm/vek/vekfilesender.h"
#include "comm/vek/vekframe.h"

#include "model/ardentixdevice.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstddef>
#include <cstdint>

// The device's answers to both file machines: the input is a run of payloads,
// each one length byte and that many bytes, sent from the device to the
// broadcast MAC as the devices answer.
namespace {

const QString kDeviceMac = QStringLiteral("02:00:0A:4D:00:02");

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

QByteArray frameFrom(const QByteArray &payload)
{
    QByteArray frame = QByteArray(6, '\xFF') + QByteArray::fromHex("02000A4D0002") + QByteArray("\x08\x00", 2);
    QByteArray ip(20, '\0');
    ip[0] = 0x45;
    ip[9] = 17;
    qToBigEndian<quint16>(quint16(28 + payload.size()), ip.data() + 2);
    QByteArray udp(8, '\0');
    qToBigEndian<quint16>(1024, udp.data());
    qToBigEndian<quint16>(quint16(8 + payload.size()), udp.data() + 4);
    return frame + ip + udp + payload;
}

QString localFile()
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config.bin"));
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.write(QByteArray(1000, 'c'));   // three segments
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);   // the machines' timers need its event dispatcher
    qInstallMessageHandler(quiet);   // every step is logged
    return 0;
}

// Timers never fire here: only the devices' answers drive the machines.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static VekFileGetter getter;
    static VekFileSender sender;
    ArdentixDevice device;
    device.setMacString(kDeviceMac);
    getter.getFile(QStringLiteral("log.txt"), device);
    sender.sendFile(localFile(), QStringLiteral("config.bin"), device);

    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    for (qsizetype at = 0; at < input.size();) {
        const int length = quint8(input.at(at++));
        const VekFrame frame(frameFrom(input.mid(at, length)));
        at += length;
        if (!sender.processFrame(frame))
            getter.processFrame(frame);
    }
    QCoreApplication::sendPostedEvents();   // the reports an abandoned send queues
    return 0;
}
