#include "comm/vek/vekfilegetter.h"

#include "comm/vek/kovmessage.h"
#include "comm/vek/vekframe.h"

#include <QDebug>
#include <QtEndian>

namespace {
// A data reply: ':' '7' '/' command, data length (16 bits), then the data.
const int ReplyHeader = 6;
// The piece inside it: offset (32 bits), length (16 bits), CRC (16 bits), then the bytes.
const int PieceHeader = 8;
const int SegmentSize = 468;
}

VekFileGetter::VekFileGetter(QObject *parent)
    : VekFileGetter(StepTimeoutMs, parent)
{
}

VekFileGetter::VekFileGetter(int stepTimeoutMs, QObject *parent)
    : QObject(parent)
{
    getTimer.setInterval(stepTimeoutMs);
    connect(&getTimer, &QTimer::timeout, this, &VekFileGetter::file_get_timeout);
}

void VekFileGetter::getFile(const QString &name, const ArdentixDevice &source)
{
    if (getInProgress && !reported) {
        // The new get replaces the running one, whose caller still waits for it.
        qDebug() << "[VEK] Get of " << remoteName << " abandoned for " << name;
        data.clear();
        report(false);
    }
    getInProgress = true;
    reported = false;
    data.clear();
    remoteName = name;
    device = source;
    fileSize = 0;
    state = KOV_GET_FILE_SIZE;
    getTimer.start();
    emit kovRequest(KovMessage::textRequest(KOV_GET_FILE_SIZE, remoteName), device.macAddress);
}

bool VekFileGetter::isActive() const
{
    return getInProgress;
}

bool VekFileGetter::processFrame(const VekFrame &frame)
{
    if (!getInProgress || frame.sourceMacText() != device.macAddress)
        return false;
    return step(frame.payload());
}

bool VekFileGetter::step(const QByteArray &payload)
{
    const bool isStatus = payload.size() >= 4 && payload.at(2) == '<';
    const quint8 status = isStatus ? quint8(payload.at(3)) : 0;

    switch (state) {
    case KOV_GET_FILE_SIZE: {
        unsigned char value[4] = {};
        if (KovMessage::parseKovValueReply(payload, value, 4, KOV_GET_FILE_SIZE) != KovMessage::Good)
            return false;
        const qint32 size = qFromLittleEndian<qint32>(value);
        if (size < 0 || size > MaxFileSize) {
            if (size < 0)
                qDebug() << "[VEK] Get file error: file size: " << size;
            else
                qWarning() << "[VEK] Get file error:" << remoteName << "has" << size << "bytes, more than the"
                           << MaxFileSize << "taken";
            report(false);
            endGet();
            return true;
        }
        fileSize = size;
        state = KOV_UPLOAD_START;
        qDebug() << "KOV_UPLOAD_START";
        emit kovRequest(KovMessage::textRequest(KOV_UPLOAD_START, remoteName), device.macAddress);
        return true;
    }
    case KOV_UPLOAD_START:
        if (status == KOV_NAK) {
            report(false);
            send(KOV_UPLOAD_ABORT, KovMessage::request(KOV_UPLOAD_ABORT), "KOV_UPLOAD_ABORT");
        } else if (status == KOV_ACK) {
            request.offset = 0;
            request.length = MaxPiece;
            send(KOV_UPLOAD_SEGMENT, KovMessage::request(KOV_UPLOAD_SEGMENT, request.toBytes()),
                 "KOV_UPLOAD_SEGMENT");
        } else {
            return false;
        }
        return true;
    case KOV_UPLOAD_SEGMENT:
        return takePiece(payload);
    // Whatever the device sends now is its answer to the completion or the abort.
    case KOV_UPLOAD_COMPLETE:
    case KOV_UPLOAD_ABORT:
        endGet();
        return true;
    default:
        return false;
    }
}

// Every length and offset of the reply is checked against the frame before a byte is copied.
bool VekFileGetter::takePiece(const QByteArray &payload)
{
    if (payload.size() < ReplyHeader || payload.at(2) != '/')
        return false;
    const int replyLength = qFromLittleEndian<quint16>(payload.constData() + 4);
    if (replyLength < PieceHeader || replyLength > SegmentSize || ReplyHeader + replyLength > payload.size())
        return false;
    const char *piece = payload.constData() + ReplyHeader;
    const quint32 offset = qFromLittleEndian<quint32>(piece);
    const int length = qFromLittleEndian<qint16>(piece + 4);
    if (length < 0 || length > MaxPiece || PieceHeader + length > replyLength || offset != request.offset)
        return false;

    // Bytes beyond what was asked for are not part of the file.
    const int taken = qMin(length, int(request.length));
    data.append(piece + PieceHeader, taken);
    request.offset += quint32(taken);
    requestNextPiece(taken > 0);
    return true;
}

void VekFileGetter::requestNextPiece(bool progressed)
{
    const qint64 remaining = qint64(fileSize) - qint64(request.offset);
    if (remaining < 1) {
        getTimer.start();
        report(true);
        state = KOV_UPLOAD_COMPLETE;
        qDebug() << "KOV_UPLOAD_COMPLETE";
        emit kovRequest(KovMessage::request(KOV_UPLOAD_COMPLETE), device.macAddress);
        return;
    }
    request.length = quint16(qMin<qint64>(remaining, MaxPiece));
    // An empty piece is no progress: it does not hold the time-out off.
    if (progressed)
        getTimer.start();
    state = KOV_UPLOAD_SEGMENT;
    qDebug() << "KOV_UPLOAD_SEGMENT";
    emit kovRequest(KovMessage::request(KOV_UPLOAD_SEGMENT, request.toBytes()), device.macAddress);
}

void VekFileGetter::send(int nextState, const QByteArray &payload, const char *logLine)
{
    getTimer.start();
    state = nextState;
    qDebug() << logLine;
    emit kovRequest(payload, device.macAddress);
}

void VekFileGetter::file_get_timeout()
{
    getTimer.stop();
    qDebug().noquote() << QStringLiteral("[VEK] File Get timeout: \"%1\" (%2 bytes)").arg(remoteName).arg(fileSize);
    const bool alreadyReported = reported;
    data.clear();   // a part of the file is no result
    if (!alreadyReported)
        report(false);
    endGet();
    fileSize = 0;
}

void VekFileGetter::report(bool success)
{
    reported = true;
    emit fileReceived(remoteName, success ? data : QByteArray(), success, device);
}

void VekFileGetter::endGet()
{
    data.clear();
    remoteName.clear();
    request.offset = 0;
    request.length = 0;
    state = 0;
    getInProgress = false;
    getTimer.stop();
}
