#ifndef RAWFRAMEIO_H
#define RAWFRAMEIO_H

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;
struct pcap;

// Raw Ethernet frames to and from the gateways' network through libpcap:
// received frames are the UDP frames to port 1024 arriving on the interface;
// sent frames go out as given, padded to the Ethernet minimum as a real
// link would (veth does not pad).
class RawFrameIo : public QObject
{
    Q_OBJECT

public:
    static constexpr int MinimumFrame = 60;

    explicit RawFrameIo(QObject *parent = nullptr);
    ~RawFrameIo() override;

    bool open(const QString &interfaceName, QString *error);
    bool send(const QByteArray &frame);

signals:
    void frameReceived(const QByteArray &frame);

private:
    void readAvailable();

    pcap *m_handle = nullptr;
    QSocketNotifier *m_notifier = nullptr;
};

#endif // RAWFRAMEIO_H
