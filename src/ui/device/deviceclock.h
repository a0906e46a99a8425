#ifndef DEVICECLOCK_H
#define DEVICECLOCK_H

#include "model/ardentixdevice.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>

class AxSignalObject;

// The work behind the device time window: the device's clock as last reported,
// running on by itself one second a tick, and the time to set it to, the PC's
// clock or one the user chose, sent up the bus once.
class DeviceClock : public QObject
{
    Q_OBJECT

public:
    static const int TickMs = 1000;

    // Ticks once at once and then every tickMs.
    DeviceClock(AxSignalObject *bus, const ArdentixDevice &device, QObject *parent = nullptr,
                int tickMs = TickMs);

    QDateTime deviceTime() const { return m_deviceTime; }
    QDateTime target() const { return m_target; }
    bool usesSystemTime() const { return m_useSystemTime; }

public slots:
    void tick();
    // Off: the target starts from the running device time and stays as set.
    void setUseSystemTime(bool use);
    void setTarget(const QDateTime &time);
    // Asks the device to take the target; once only.
    void send();

signals:
    void deviceTimeChanged(const QDateTime &time);
    void targetChanged(const QDateTime &time);

private slots:
    void reported(const QDateTime &time, const ArdentixDevice &device);

private:
    void setDeviceTime(const QDateTime &time);

    QPointer<AxSignalObject> m_bus;
    ArdentixDevice m_device;
    QTimer m_timer;
    QDateTime m_deviceTime;
    QDateTime m_target;
    bool m_useSystemTime = true;
    bool m_sent = false;
};

#endif // DEVICECLOCK_H
