#ifndef PCAPSENDER_H
#define PCAPSENDER_H

#include <QByteArray>
#include <QString>

typedef struct pcap pcap_t;

// A send-only packet-capture handle on one adapter, opened on the first frame
// and kept: opening a handle costs tens of milliseconds, which a file transfer
// would pay for every segment. A failed send closes it, so the next frame
// opens a fresh one.
class PcapSender
{
public:
    explicit PcapSender(const QString &deviceName);
    ~PcapSender();

    PcapSender(const PcapSender &) = delete;
    PcapSender &operator=(const PcapSender &) = delete;

    bool send(const unsigned char *frame, int length);

private:
    bool open();
    void close();

    QByteArray deviceName;
    pcap_t *handle = nullptr;
};

#endif // PCAPSENDER_H
