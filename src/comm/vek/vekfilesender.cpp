#include "comm/vek/vekfilesender.h"

#include "comm/vek/kovmessage.h"
#include "comm/vek/vekframe.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QtEndian>

VekFileSender::VekFileSender(QObject *parent)
    : VekFileSender(StepTimeoutMs, CompletionTimeoutMs, parent)
{
}

VekFileSender::VekFileSender(int stepTimeoutMs, int completionTimeoutMs, QObject *parent)
    : QObject(parent)
    , stepTimeoutMs(stepTimeoutMs)
    , completionTimeoutMs(completionTimeoutMs)
{
    sendTimer.setInterval(stepTimeoutMs);
    connect(&sendTimer, &QTimer::timeout, this, &VekFileSender::file_send_timeout);
}

void VekFileSender::sendFile(const QString &localPath, const QString &remoteName,
                             const ArdentixDevice &target)
{
    const QString path = QDir::fromNativeSeparators(localPath);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "Can't open " << path;
        // Reported, so the window and the caller's queue don't wait for ever; from
        // the event loop, so the caller has finished asking before it hears the end.
        QMetaObject::invokeMethod(this, [this, path, target] {
            emit fileSendError(QStringLiteral("Error reading file!"), QStringLiteral(" Could not open file: ") + path);
            emit fileSendReport(path, FILE_TRANSFER_FAILED, 0.0f, target);
            emit finished();
        }, Qt::QueuedConnection);
        return;
    }
    if (sendInProgress) {
        // The new file replaces the running transfer; that one ends here.
        qDebug() << "[VEK] Send of " << this->localPath << " abandoned for " << path;
        endTransfer(FILE_TRANSFER_FAILED, 0.0f, false);
    }

    data = file.readAll();
    file.close();
    sendInProgress = true;
    restartTimer(stepTimeoutMs);
    device = target;
    this->remoteName = remoteName;
    this->localPath = path;
    retries = 0;
    qDebug() << "[VEK] Send file: " << remoteName;

    if (device.vekNetSupport == VEK_NET_SUPPORTED)
        send(KOV_SET_INCOMING_FILESIZE,
             KovMessage::valueRequest(KOV_SET_INCOMING_FILESIZE, quint32(data.size())),
             "KOV_SET_INCOMING_FILESIZE");
    else
        send(KOV_GET_DISK_SPACE, KovMessage::request(KOV_GET_DISK_SPACE), "KOV_GET_DISK_SPACE");
}

bool VekFileSender::isActive() const
{
    return sendInProgress;
}

bool VekFileSender::processFrame(const VekFrame &frame)
{
    if (!sendInProgress || !acceptsFrom(frame))
        return false;
    return step(frame);
}

// Devices answer file transfers to the broadcast MAC, except two platforms
// that answer the PC's own MAC.
bool VekFileSender::acceptsFrom(const VekFrame &frame) const
{
    const bool toBroadcast = frame.destinationMacText().compare(QLatin1String("ff:ff:ff:ff:ff:ff"),
                                                                Qt::CaseInsensitive) == 0;
    if (!toBroadcast && !device.devicePlatform.contains(QLatin1String("AX-K700"))
        && !device.devicePlatform.contains(QLatin1String("AX-V60")))
        return false;
    return frame.sourceMacText() == device.macAddress;
}

bool VekFileSender::step(const VekFrame &frame)
{
    const QByteArray payload = frame.payload();
    const bool isStatus = payload.size() >= 4 && payload.at(2) == '<';
    const quint8 status = isStatus ? quint8(payload.at(3)) : 0;

    switch (state) {
    case KOV_SET_INCOMING_FILESIZE:
        if (!isStatus)
            return false;
        if (status != KOV_ACK) {
            qDebug() << "KOV_SET_INCOMING_FILESIZE NOT ACK";
            return false;
        }
        send(KOV_GET_DISK_SPACE, KovMessage::request(KOV_GET_DISK_SPACE), "KOV_GET_DISK_SPACE");
        return true;
    case KOV_GET_DISK_SPACE:
    case KOV_GET_FILE_SIZE: {
        unsigned char value[4] = {};
        if (KovMessage::parseKovValueReply(payload, value, 4, quint8(state)) != KovMessage::Good)
            return false;
        const qint32 number = qFromLittleEndian<qint32>(value);
        if (state == KOV_GET_DISK_SPACE) {
            diskFree = number;
            freeSpaceTest(number);
        } else {
            existingFileTest(number);
        }
        return true;
    }
    case KOV_SET_OVERWRITE_FLAG:
        if (status == KOV_NAK) {
            abortTransfer("KOV_DOWNLOAD_ABORT");
        } else if (status == KOV_ACK) {
            if (device.username.isEmpty())
                send(KOV_DOWNLOAD_START, KovMessage::textRequest(KOV_DOWNLOAD_START, remoteName),
                     "KOV_DOWNLOAD_START");
            else
                send(KOV_DOWNLOAD_START_WITH_PASSWORD,
                     KovMessage::request(KOV_DOWNLOAD_START_WITH_PASSWORD,
                                         KovMessage::passwordDownloadData(
                                             remoteName, KovMessage::scramblePassword(device.password))),
                     "KOV_DOWNLOAD_START_WITH_PASSWORD");
        } else {
            return false;
        }
        return true;
    case KOV_DOWNLOAD_START:
    case KOV_DOWNLOAD_START_WITH_PASSWORD:
        if (!isStatus)
            return false;
        if (status == KOV_NAK) {
            state = AbortPassword;
            qDebug() << "KOV_DOWNLOAD_ABORT - Password";
            restartTimer(stepTimeoutMs);
            emit kovRequest(KovMessage::request(KOV_DOWNLOAD_ABORT), device.macAddress);
        } else if (status == KOV_ERROR) {
            qDebug() << "NAK RECEIVED - KOV_DOWNLOAD_START";
            abortTransfer("KOV_DOWNLOAD_ABORT");
        } else {
            segment.fill(data, 0);
            state = KOV_DOWNLOAD_SEGMENT;
            qDebug() << "KOV_DOWNLOAD_SEGMENT";
            sendSegment(true);
        }
        return true;
    case KOV_DOWNLOAD_SEGMENT:
        if (!isStatus)
            return false;
        if (status == KOV_ACK) {
            segmentAcknowledged();
        } else if (status == KOV_CHECKSUM_ERROR) {
            qDebug() << "Checksum error";
            abortTransfer("KOV_DOWNLOAD_ABORT");
        } else if (status == KOV_NAK) {
            retrySegmentOrAbort();
        } else {
            return false;
        }
        return true;
    // Whatever the target sends now is its answer to the completion or the abort,
    // but a completion it explicitly refuses was not written: never report that as sent.
    case KOV_DOWNLOAD_COMPLETE:
        if (isStatus && (status == KOV_NAK || status == KOV_ERROR || status == KOV_CHECKSUM_ERROR)) {
            qDebug() << "KOV Download complete refused";
            endTransfer(FILE_TRANSFER_FAILED, 0.0f, true);
            return true;
        }
        qDebug() << "KOV Download complete";
        endTransfer(FILE_TRANSFER_COMPLETE, 100.0f, true);
        return true;
    case KOV_DOWNLOAD_ABORT:
        qDebug() << "KOV Download aborted";
        endTransfer(FILE_TRANSFER_FAILED, 0.0f, true);
        return true;
    case AbortPassword:
        qDebug() << "KOV Download aborted";
        endTransfer(FILE_TRANSFER_AUTH_REQUIRED, 0.0f, true);
        return true;
    default:
        return false;
    }
}

// Replacing a file of the same name frees its space; some platforms keep a reserve.
int VekFileSender::reserveBytes() const
{
    return device.devicePlatform == ArdentixDevice::platformNameForCode(101)
                   || device.devicePlatform == ArdentixDevice::platformNameForCode(200)
               ? 1024 : 0;
}

void VekFileSender::freeSpaceTest(qint32 free)
{
    if (free == -1)
        return;   // the device can't tell: the time-out ends the transfer
    if (qint64(free) - reserveBytes() < data.size())
        send(KOV_GET_FILE_SIZE, KovMessage::textRequest(KOV_GET_FILE_SIZE, remoteName), "KOV_GET_FILE_SIZE");
    else
        send(KOV_SET_OVERWRITE_FLAG, KovMessage::request(KOV_SET_OVERWRITE_FLAG, QByteArray(1, '\x01')),
             "KOV_SET_OVERWRITE_FLAG");
}

void VekFileSender::existingFileTest(qint32 existingSize)
{
    if (existingSize == -1)
        abortTransfer(nullptr);
    else if (data.size() < qint64(existingSize) + diskFree - reserveBytes())
        send(KOV_SET_OVERWRITE_FLAG, KovMessage::request(KOV_SET_OVERWRITE_FLAG, QByteArray(1, '\x01')),
             "KOV_SET_OVERWRITE_FLAG");
    else
        abortTransfer("KOV_DOWNLOAD_ABORT");
}

void VekFileSender::sendSegment(bool restart)
{
    if (restart)
        restartTimer(stepTimeoutMs);
    emit kovRequest(KovMessage::request(KOV_DOWNLOAD_SEGMENT, segment.toBytes()), device.macAddress);
}

void VekFileSender::segmentAcknowledged()
{
    const quint32 offset = segment.offset + segment.length;
    if (offset < quint32(data.size())) {
        segment.fill(data, offset);
        restartTimer(stepTimeoutMs);
        emit fileSendReport(localPath, FILE_TRANSFER_IN_PROGRESS,
                            float(offset) / float(data.size()) * 100.0f, device);
        retries = 0;
        state = KOV_DOWNLOAD_SEGMENT;
        qDebug() << "KOV_DOWNLOAD_SEGMENT";
        sendSegment(false);
        return;
    }
    restartTimer(completionTimeoutMs);
    emit fileSendReport(localPath, FILE_TRANSFER_IN_PROGRESS, 100.0f, device);
    state = KOV_DOWNLOAD_COMPLETE;
    qDebug() << "KOV_DOWNLOAD_COMPLETE";
    emit kovRequest(KovMessage::request(KOV_DOWNLOAD_COMPLETE), device.macAddress);
}

// A refused segment goes again at once, without waiting longer for the device.
void VekFileSender::retrySegmentOrAbort()
{
    if (retries < MaxSegmentRetries) {
        ++retries;
        qDebug() << "VEK Segment retry";
        sendSegment(false);
    } else {
        state = KOV_DOWNLOAD_ABORT;
        qDebug() << "KOV_DOWNLOAD_ABORT";
        emit kovRequest(KovMessage::request(KOV_DOWNLOAD_ABORT), device.macAddress);
    }
}

void VekFileSender::abortTransfer(const char *logLine)
{
    send(KOV_DOWNLOAD_ABORT, KovMessage::request(KOV_DOWNLOAD_ABORT), logLine);
}

void VekFileSender::send(int nextState, const QByteArray &payload, const char *logLine)
{
    state = nextState;
    if (logLine)
        qDebug() << logLine;
    restartTimer(stepTimeoutMs);
    emit kovRequest(payload, device.macAddress);
}

void VekFileSender::restartTimer(int ms)
{
    sendTimer.start(ms);
}

void VekFileSender::file_send_timeout()
{
    if (state == KOV_DOWNLOAD_SEGMENT && retries < MaxSegmentRetries) {
        ++retries;
        qDebug() << "VEK Segment retry";
        sendSegment(true);
        return;
    }
    sendTimer.stop();
    qDebug() << "[VEK] File Send timeout";
    endTransfer(FILE_TRANSFER_FAILED, 0.0f, true);
}

// Reports the result once with copies taken before the record is cleared; a
// transfer replaced by a new one does not move the caller's queue on.
void VekFileSender::endTransfer(FILE_TRANSFER_STATE result, float progress, bool announceFinish)
{
    const QString endedPath = localPath;
    const ArdentixDevice endedDevice = device;
    sendTimer.stop();
    data.clear();
    segment.length = 0;
    segment.offset = 0;
    state = Idle;
    diskFree = 0;
    remoteName.clear();
    localPath.clear();
    retries = 0;
    sendInProgress = false;
    emit fileSendReport(endedPath, result, progress, endedDevice);
    if (announceFinish)
        emit finished();
}
