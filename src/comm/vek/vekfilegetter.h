#ifndef VEKFILEGETTER_H
#define VEKFILEGETTER_H

#include "comm/vek/kovsegmentrequest.h"
#include "model/ardentixdevice.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class VekFrame;

// Reads one file from a gateway over the KOV command channel: asks its size,
// opens the upload, requests it in pieces of at most 450 bytes and closes the
// upload. A piece is taken only when it lies wholly inside the frame, holds 0
// to 450 bytes and starts where the request asked; every get's end is
// reported exactly once.
class VekFileGetter : public QObject
{
    Q_OBJECT

public:
    static constexpr int StepTimeoutMs = 6000;
    static constexpr int MaxPiece = 450;
    // The largest file taken: the device's announced size is held in memory.
    // As large as the biggest HTTP answer taken, and some 19000 pieces.
    static constexpr qint32 MaxFileSize = 8 * 1024 * 1024;

    explicit VekFileGetter(QObject *parent = nullptr);
    // A shorter wait is for tests that must not sleep for seconds.
    VekFileGetter(int stepTimeoutMs, QObject *parent = nullptr);

    void getFile(const QString &remoteName, const ArdentixDevice &source);
    bool isActive() const;
    // One captured frame; true when it was the device's answer and so consumed.
    bool processFrame(const VekFrame &frame);

signals:
    // A KOV request payload to send to the device with that MAC text.
    void kovRequest(QByteArray payload, QString mac);
    void fileReceived(QString name, QByteArray contents, bool success, ArdentixDevice device);

private slots:
    void file_get_timeout();

private:
    bool step(const QByteArray &payload);
    bool takePiece(const QByteArray &payload);
    void requestNextPiece(bool progressed);
    void send(int nextState, const QByteArray &payload, const char *logLine);
    void report(bool success);
    void endGet();

    QString remoteName;
    ArdentixDevice device;
    QByteArray data;
    qint32 fileSize = 0;
    int state = 0;
    KovSegmentRequest request;
    bool getInProgress = false;
    bool reported = false;     // the result went out; only the device's last answer is awaited
    QTimer getTimer;
};

#endif // VEKFILEGETTER_H
