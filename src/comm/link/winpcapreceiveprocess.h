#ifndef WINPCAPRECEIVEPROCESS_H
#define WINPCAPRECEIVEPROCESS_H

#include <QByteArray>
#include <QMutex>
#include <QThread>

#include <atomic>

class Adapter;
struct pcap;

// Captures the UDP frames from ports 1024 and 1025 on one adapter and hands
// each whole frame, as its own byte array, to the GUI thread.
class WinPcapReceiveProcess : public QThread
{
    Q_OBJECT

public:
    static constexpr int SnapshotLength = 1000;
    static constexpr int ReopenAfterErrors = 501;

    explicit WinPcapReceiveProcess(const Adapter *adapter);
    ~WinPcapReceiveProcess() override;

    void startCapture();
    bool isOpen() const;

signals:
    void newPacketReceived(QByteArray frame);

protected:
    void run() override;

private:
    void openAdapter();
    void closeAdapter();
    void stopCapture();

    const Adapter *m_adapter;
    pcap *m_handle = nullptr;
    // Guards m_handle between a reopen in the capture thread and a stop
    // from the owner's thread; never held while reading.
    mutable QMutex m_handleMutex;
    std::atomic_bool m_stopping{false};
};

#endif // WINPCAPRECEIVEPROCESS_H
