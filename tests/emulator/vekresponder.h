#ifndef VEKRESPONDER_H
#define VEKRESPONDER_H

#include <QByteArray>
#include <QObject>

class DeviceSet;
class RawFrameIo;
class VekFrame;
struct EmulatedDevice;

// Answers VEK discovery with each gateway's identification reply and the
// KOV commands restart, set IP, flash size, network capability and bridge
// snapshot abort. Every KOV command a gateway takes is logged with its bytes.
class VekResponder : public QObject
{
    Q_OBJECT

public:
    VekResponder(DeviceSet *devices, RawFrameIo *io, QObject *parent = nullptr);

    // The reply frame a gateway sends to the requester of a frame.
    static QByteArray replyFrame(const EmulatedDevice &device, const VekFrame &request, const QByteArray &payload);
    static QByteArray identificationPayload(const EmulatedDevice &device);

private:
    void handleFrame(const QByteArray &frame);
    void answerDiscovery(const VekFrame &request);
    void answerKov(const VekFrame &request, const QByteArray &payload);
    void answerCommand(EmulatedDevice &device, const VekFrame &request, quint8 command, const QByteArray &data,
                       quint16 lengthField);
    void sendLater(const EmulatedDevice &device, const QByteArray &frame);

    DeviceSet *m_devices;
    RawFrameIo *m_io;
};

#endif // VEKRESPONDER_H
