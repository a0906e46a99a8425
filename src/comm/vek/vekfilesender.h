#ifndef VEKFILESENDER_H
#define VEKFILESENDER_H

#include "comm/vek/kovsegment.h"
#include "model/ardentixdevice.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class VekFrame;

// Writes one local file into a gateway over the KOV command channel: announces
// the size or asks for space, sets the overwrite flag, opens the download (with
// the scrambled password when the device has a user name), sends 450-byte
// segments stop-and-wait with retries, and closes it. Driven by the device's
// replies; every file's end is reported exactly once.
class VekFileSender : public QObject
{
    Q_OBJECT

public:
    static constexpr int StepTimeoutMs = 6000;
    static constexpr int CompletionTimeoutMs = 30000;
    static constexpr int MaxSegmentRetries = 5;

    explicit VekFileSender(QObject *parent = nullptr);
    // Shorter waits are for tests that must not sleep for seconds.
    VekFileSender(int stepTimeoutMs, int completionTimeoutMs, QObject *parent = nullptr);

    void sendFile(const QString &localPath, const QString &remoteName, const ArdentixDevice &target);
    bool isActive() const;
    // One captured frame; true when it was the target's answer and so consumed.
    bool processFrame(const VekFrame &frame);

signals:
    // A KOV request payload to send to the device with that MAC text.
    void kovRequest(QByteArray payload, QString mac);
    void fileSendReport(QString file_name, FILE_TRANSFER_STATE tx_state, float progress,
                        ArdentixDevice target_device);
    // What the user is to be told besides the failure report: a title and a text.
    void fileSendError(QString title, QString text);
    // The transfer ended, whatever its result; the caller's queue moves on.
    void finished();

private slots:
    void file_send_timeout();

private:
    enum State {
        Idle = 0,
        AbortPassword = 0x23CF   // abort sent because the device refused the download start
    };

    bool acceptsFrom(const VekFrame &frame) const;
    bool step(const VekFrame &frame);
    void freeSpaceTest(qint32 diskFree);
    void existingFileTest(qint32 existingSize);
    void sendSegment(bool restartTimer);
    void segmentAcknowledged();
    void retrySegmentOrAbort();
    void abortTransfer(const char *logLine);
    void send(int state, const QByteArray &payload, const char *logLine);
    void restartTimer(int ms);
    void endTransfer(FILE_TRANSFER_STATE result, float progress, bool announceFinish);
    int reserveBytes() const;

    const int stepTimeoutMs;
    const int completionTimeoutMs;

    QString remoteName;
    QString localPath;
    ArdentixDevice device;
    QByteArray data;
    qint32 diskFree = 0;
    int state = Idle;
    KovSegment segment;
    int retries = 0;
    bool sendInProgress = false;
    QTimer sendTimer;
};

#endif // VEKFILESENDER_H
