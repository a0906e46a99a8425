#ifndef KOVMESSAGE_H
#define KOVMESSAGE_H

#include <QByteArray>
#include <QHostAddress>
#include <QString>

// KOV command codes, the byte at offset 5 of every KOV request.
enum KovCommand : quint8 {
    KOV_RESTART_DEVICE = 0x49,
    KOV_SET_IP_ADDRESS = 0x9A,
    KOV_GET_NET_SUPPORT = 0xB6,
    KOV_GET_FLASH_SIZE = 0xCA,
    KOV_ABORT_BRIDGE_SNAPSHOT = 0xD6,
    KOV_SET_INCOMING_FILESIZE = 0xD2,
    KOV_GET_DISK_SPACE = 0xA5,
    KOV_GET_FILE_SIZE = 0xA6,
    KOV_SET_OVERWRITE_FLAG = 0x9D,
    KOV_DOWNLOAD_START = 0x7A,
    KOV_DOWNLOAD_START_WITH_PASSWORD = 0x25,
    KOV_DOWNLOAD_SEGMENT = 0x31,
    KOV_DOWNLOAD_COMPLETE = 0x32,
    KOV_DOWNLOAD_ABORT = 0xA7,
    KOV_UPLOAD_START = 0x37,
    KOV_UPLOAD_SEGMENT = 0x38,
    KOV_UPLOAD_COMPLETE = 0x39,
    KOV_UPLOAD_ABORT = 0xC8
};

// The status byte of a ':' '7' '<' reply.
enum KovStatus : quint8 {
    KOV_ACK = 'N',
    KOV_NAK = '3',
    KOV_ERROR = 'E',
    KOV_CHECKSUM_ERROR = 0x99,
    KOV_FLASH_STANDARD = 0x02,
    KOV_FLASH_LARGE = 0x04
};

// The UDP payloads of VEK requests and the classification of KOV replies.
// Reply classifiers answer 'G' (good), 'B' (not this reply) or 'I' (the
// device reported an error).
namespace KovMessage {

constexpr int DiscoveryRequestSize = 192;
constexpr int TextFieldSize = 200;
constexpr char Good = 'G';
constexpr char Bad = 'B';
constexpr char DeviceError = 'I';

QByteArray discoveryRequest();

// The KOV envelope around the data; the length field is given separately
// because the set-IP command announces one byte more than it carries.
QByteArray request(quint8 command, const QByteArray &data, quint16 lengthField);
QByteArray request(quint8 command, const QByteArray &data = QByteArray());
QByteArray valueRequest(quint8 command, quint32 value);
QByteArray textRequest(quint8 command, const QString &text);
QByteArray setIpRequest(const QHostAddress &newAddress);
// Data of the protected download start: the name and the already scrambled
// password in fields of 40 and 20 bytes.
QByteArray passwordDownloadData(const QString &remoteName, const QString &scrambledPassword);

QString scramblePassword(const QString &password);

// Copies the data of a '/' reply into out; a reply whose data would not fit
// in the capacity is not taken.
char parseKovDataReply(const QByteArray &payload, unsigned char *out, int capacity);
// Copies the first byteCount data bytes of a '/' reply for the command.
char parseKovValueReply(const QByteArray &payload, unsigned char *out, int byteCount, quint8 command);

} // namespace KovMessage

#endif // KOVMESSAGE_H
