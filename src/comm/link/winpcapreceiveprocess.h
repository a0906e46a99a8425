#ifndef WINPCAPRECEIVEPROCESS_H
#define WINPCAPRECEIVEPROCESS_H

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QThread>
#include <QTimer>

#include <atomic>

class Adapter;
struct pcap;

// Captures the UDP frames from ports 1024 and 1025 on one adapter and hands
// each whole frame, as its own byte array, to the thread the object lives in
// (the GUI thread), in capture order.
//
// Frames can be lost in two places, both counted and logged at most once a
// second: the kernel's capture buffer, when this thread is not scheduled for
// long; and the queue to the owner's thread, when that thread does not take
// them for long. Every frame that fits both is delivered.
//
// With nothing to read the thread sleeps until a frame arrives or a stop
// wakes it: an idle adapter costs no wakeups.
class WinPcapReceiveProcess : public QThread
{
    Q_OBJECT

public:
    static constexpr int SnapshotLength = 1000;
    static constexpr int ReopenAfterErrors = 501;
    // Frames captured and not yet handed over; beyond it frames are dropped.
    // Eight times the replies of a thousand gateways to one discovery, at most
    // about 9 MB of frames per adapter.
    static constexpr int QueueLimit = 8192;
    // The kernel's buffer of captured frames, a fixed slot of a little more
    // than the snapshot length each: some 3800 frames, twice the default.
    static constexpr int KernelBufferBytes = 4 * 1024 * 1024;

    explicit WinPcapReceiveProcess(const Adapter *adapter);
    ~WinPcapReceiveProcess() override;

    void startCapture();
    bool isOpen() const;

    int pendingFrames() const;       // captured and not yet handed over
    quint64 droppedFrames() const;   // lost to a full queue since construction
    quint64 kernelDroppedFrames() const;   // lost in the kernel's buffer, as last looked up

signals:
    void newPacketReceived(QByteArray frame);

protected:
    void run() override;

private:
    void openAdapter();
    void closeAdapter();
    void stopCapture();
    bool waitForFrames();
    void queueFrame(const unsigned char *data, int length);
    void readKernelDrops();
    void deliverFrames();
    void logDrops();

    const Adapter *m_adapter;
    pcap *m_handle = nullptr;
    // Guards m_handle between a reopen in the capture thread and a look from
    // the owner's thread; never held while reading.
    mutable QMutex m_handleMutex;
    std::atomic_bool m_stopping{false};
    int m_wakeFd = -1;   // written by a stop, to end the wait for frames

    QMutex m_queueMutex;
    QList<QByteArray> m_queue;          // guarded by m_queueMutex
    std::atomic_int m_pending{0};       // queued or being handed over
    std::atomic<quint64> m_dropped{0};
    std::atomic<quint64> m_kernelDropped{0};
    quint64 m_kernelDropsBeforeOpen = 0;   // of the handles closed before; capture thread
    // In the owner's thread: what the last drop lines counted.
    QTimer m_dropLogTimer;
    quint64 m_droppedLogged = 0;
    quint64 m_kernelDroppedLogged = 0;
};

#endif // WINPCAPRECEIVEPROCESS_H
