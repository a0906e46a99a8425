#include "vekfileresponder.h"

#include "devicefilestore.h"

#include <QtEndian>

namespace {

enum : quint8 {
    SetIncomingFileSize = 0xD2,
    GetDiskSpace = 0xA5,
    GetFileSize = 0xA6,
    SetOverwriteFlag = 0x9D,
    DownloadStart = 0x7A,
    DownloadStartWithPassword = 0x25,
    DownloadSegment = 0x31,
    DownloadComplete = 0x32,
    DownloadAbort = 0xA7,
    UploadStart = 0x37,
    UploadSegment = 0x38,
    UploadComplete = 0x39,
    UploadAbort = 0xC8
};

const quint8 Ack = 'N';
const quint8 Refused = '3';
const quint8 Error = 'E';
const quint8 ChecksumError = 0x99;

const int HeaderSize = 8;          // 01 01 ':' '7' '>' command, length
const int SegmentSize = 468;
const int SegmentDataSize = 450;
const int SegmentDataOffset = 8;
const int NameFieldSize = 40;
const int PasswordFieldSize = 20;
const quint32 NoSuchFile = 0xFFFFFFFF;

const unsigned char ScrambleKey[16] = {0x3A, 0x17, 0x52, 0x08, 0x41, 0x1C, 0x6E, 0x29,
                                       0x05, 0x33, 0x4F, 0x12, 0x27, 0x5D, 0x0B, 0x60};

} // namespace

VekFileResponder::VekFileResponder(DeviceFileStore *store)
    : m_store(store)
{
}

bool VekFileResponder::handles(quint8 command)
{
    switch (command) {
    case SetIncomingFileSize: case GetDiskSpace: case GetFileSize: case SetOverwriteFlag:
    case DownloadStart: case DownloadStartWithPassword: case DownloadSegment:
    case DownloadComplete: case DownloadAbort: case UploadStart: case UploadSegment:
    case UploadComplete: case UploadAbort:
        return true;
    default:
        return false;
    }
}

void VekFileResponder::setPassword(const QString &password)
{
    m_password = password;
}

void VekFileResponder::dropAnswerToSegment(int n)
{
    m_dropAt = n;
}

void VekFileResponder::corruptSegment(int n)
{
    m_corruptAt = n;
}

QByteArray VekFileResponder::answer(const QByteArray &request)
{
    if (request.size() < HeaderSize || request.at(2) != ':' || request.at(3) != '7' || request.at(4) != '>')
        return QByteArray();
    const quint8 command = quint8(request.at(5));
    const int length = qFromLittleEndian<quint16>(request.constData() + 6);
    const QByteArray data = request.mid(HeaderSize);

    switch (command) {
    case SetIncomingFileSize:
        return status(Ack);
    case GetDiskSpace:
        return valueReply(command, quint32(qMin<qint64>(m_store->diskFree(), 0x7FFFFFFF)));
    case GetFileSize: {
        const qint64 size = m_store->fileSize(textField(data, length));
        return valueReply(command, size < 0 ? NoSuchFile : quint32(size));
    }
    case SetOverwriteFlag:
        return status(Ack);
    case DownloadStart:
        if (!m_password.isEmpty())
            return status(Refused);
        m_downloadName = textField(data, length);
        m_downloadData.clear();
        return status(m_downloadName.isEmpty() ? Error : Ack);
    case DownloadStartWithPassword:
        if (data.size() < NameFieldSize + PasswordFieldSize)
            return status(Error);
        if (!m_password.isEmpty()
            && data.mid(NameFieldSize, PasswordFieldSize) != scramble(m_password).leftJustified(PasswordFieldSize, '\0', true))
            return status(Refused);
        m_downloadName = textField(data, NameFieldSize);
        m_downloadData.clear();
        return status(m_downloadName.isEmpty() ? Error : Ack);
    case DownloadSegment:
        return receiveSegment(data);
    case DownloadComplete: {
        if (m_downloadName.isEmpty())
            return status(Error);
        const bool stored = m_store->store(m_downloadName, m_downloadData);
        m_downloadName.clear();
        m_downloadData.clear();
        return status(stored ? Ack : Error);
    }
    case DownloadAbort:
        m_downloadName.clear();
        m_downloadData.clear();
        return status(Ack);
    case UploadStart:
        m_uploadName = textField(data, length);
        if (!m_store->contains(m_uploadName)) {
            m_uploadName.clear();
            return status(Refused);
        }
        return status(Ack);
    case UploadSegment:
        return sendSegment(data);
    case UploadComplete:
    case UploadAbort:
        m_uploadName.clear();
        return status(Ack);
    default:
        return QByteArray();
    }
}

QByteArray VekFileResponder::receiveSegment(const QByteArray &data)
{
    if (m_downloadName.isEmpty() || data.size() < SegmentSize)
        return status(Error);
    const int number = ++m_segmentsReceived;
    QByteArray segment = data.left(SegmentSize);
    if (faultHits(m_corruptAt, number))
        segment[SegmentDataOffset] = char(segment.at(SegmentDataOffset) ^ 0x5A);   // damaged on the way

    const quint32 offset = qFromLittleEndian<quint32>(segment.constData());
    const int length = qFromLittleEndian<quint16>(segment.constData() + 4);
    // The CRC's standard value stands high byte first.
    const quint16 crc = quint16(quint8(segment.at(6)) << 8 | quint8(segment.at(7)));
    if (modbusCrc(segment.mid(SegmentDataOffset, SegmentDataSize)) != crc)
        return status(ChecksumError);
    if (length > SegmentDataSize || qint64(offset) + length > m_store->diskFree() + qMax<qint64>(m_store->fileSize(m_downloadName), 0))
        return status(Error);

    if (m_downloadData.size() < qint64(offset) + length)
        m_downloadData.resize(offset + length);
    m_downloadData.replace(offset, length, segment.mid(SegmentDataOffset, length));
    if (faultHits(m_dropAt, number))
        return QByteArray();
    return status(Ack);
}

QByteArray VekFileResponder::sendSegment(const QByteArray &data)
{
    if (m_uploadName.isEmpty() || data.size() < 8)
        return status(Refused);
    const int number = ++m_segmentsSent;
    const QByteArray file = m_store->file(m_uploadName);
    const quint32 offset = qFromLittleEndian<quint32>(data.constData());
    const int asked = qFromLittleEndian<quint16>(data.constData() + 4);
    const qint64 left = qMax<qint64>(file.size() - qint64(offset), 0);
    const int length = int(qMin<qint64>(qMin(asked, SegmentDataSize), left));

    QByteArray segment(SegmentSize, '\0');
    qToLittleEndian<quint32>(offset, segment.data());
    qToLittleEndian<quint16>(faultHits(m_corruptAt, number) ? 0xFFFF : quint16(length), segment.data() + 4);
    if (length > 0)
        segment.replace(SegmentDataOffset, length, file.mid(offset, length));
    const quint16 crc = modbusCrc(segment.mid(SegmentDataOffset, SegmentDataSize));
    segment[6] = char(crc >> 8);
    segment[7] = char(crc & 0xFF);
    if (faultHits(m_dropAt, number))
        return QByteArray();
    return dataReply(UploadSegment, segment);
}

bool VekFileResponder::faultHits(int &faultAt, int segmentNumber)
{
    if (faultAt == 0 || faultAt != segmentNumber)
        return false;
    faultAt = 0;
    return true;
}

QByteArray VekFileResponder::status(quint8 code)
{
    QByteArray reply(":7<");
    reply.append(char(code));
    return reply;
}

QByteArray VekFileResponder::dataReply(quint8 command, const QByteArray &data)
{
    QByteArray reply(":7/");
    reply.append(char(command));
    reply.append(char(data.size() & 0xFF));
    reply.append(char((data.size() >> 8) & 0xFF));
    return reply + data;
}

QByteArray VekFileResponder::valueReply(quint8 command, quint32 value)
{
    QByteArray data(4, '\0');
    qToLittleEndian<quint32>(value, data.data());
    return dataReply(command, data);
}

QString VekFileResponder::textField(const QByteArray &data, int length)
{
    QByteArray text = data.left(length);
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    return QString::fromLatin1(text);
}

QByteArray VekFileResponder::scramble(const QString &password)
{
    QByteArray scrambled;
    for (int i = 0; i < password.size(); ++i) {
        const int c = password.at(i).unicode() <= 0xFF ? password.at(i).unicode() : 0;
        const int k = ScrambleKey[i & 15];
        const int s = int(qint8(quint8(c))) + k;
        scrambled.append(char((s > 126 ? c + k - 94 : c + k) & 0xFF));
    }
    return scrambled;
}

// Bit by bit, so it checks the toolbox's table-driven CRC rather than repeating it.
quint16 VekFileResponder::modbusCrc(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}
