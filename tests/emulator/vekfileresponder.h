#ifndef VEKFILERESPONDER_H
#define VEKFILERESPONDER_H

#include <QByteArray>
#include <QString>

class DeviceFileStore;

// The gateway's side of the VEK file send and get: answers the KOV file
// commands of one device from its file store, checks every segment's CRC, and
// can be told to refuse the password, drop one segment's answer or corrupt one.
class VekFileResponder
{
public:
    explicit VekFileResponder(DeviceFileStore *store);

    static bool handles(quint8 command);

    // Downloads then need this password (empty: none).
    void setPassword(const QString &password);
    // The n-th segment (counted from 1 over the run, per direction) gets no answer, once.
    void dropAnswerToSegment(int n);
    // The n-th segment arrives damaged (its CRC check fails) or, when the device
    // sends it, goes out with an impossible length field, once.
    void corruptSegment(int n);

    // The reply payload to one KOV request payload; empty when the device stays silent.
    QByteArray answer(const QByteArray &request);

    static QByteArray scramble(const QString &password);
    static quint16 modbusCrc(const QByteArray &bytes);

private:
    QByteArray receiveSegment(const QByteArray &data);
    QByteArray sendSegment(const QByteArray &data);
    static bool faultHits(int &faultAt, int segmentNumber);

    static QByteArray status(quint8 code);
    static QByteArray dataReply(quint8 command, const QByteArray &data);
    static QByteArray valueReply(quint8 command, quint32 value);
    static QString textField(const QByteArray &data, int length);

    DeviceFileStore *m_store;
    QString m_password;
    int m_dropAt = 0;
    int m_corruptAt = 0;
    int m_segmentsReceived = 0;
    int m_segmentsSent = 0;

    QString m_downloadName;        // the file the PC is writing, empty when none
    QByteArray m_downloadData;
    QString m_uploadName;          // the file the PC is reading, empty when none
};

#endif // VEKFILERESPONDER_H
