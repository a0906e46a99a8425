#include "deviceclock.h"

#include "model/axsignalobject.h"

DeviceClock::DeviceClock(AxSignalObject *bus, const ArdentixDevice &device, QObject *parent, int tickMs)
    : QObject(parent)
    , m_bus(bus)
    , m_device(device)
    , m_deviceTime(QDate(2000, 1, 1), QTime(0, 0))   // until the device answers
{
    tick();
    if (bus)
        connect(bus, &AxSignalObject::_signal_down_system_time, this, &DeviceClock::reported);
    connect(&m_timer, &QTimer::timeout, this, &DeviceClock::tick);
    m_timer.start(tickMs);
}

void DeviceClock::tick()
{
    setDeviceTime(m_deviceTime.addSecs(1));
    if (m_useSystemTime)
        setTarget(QDateTime::currentDateTime());
}

void DeviceClock::setUseSystemTime(bool use)
{
    m_useSystemTime = use;
    setTarget(use ? QDateTime::currentDateTime() : m_deviceTime);
}

void DeviceClock::setTarget(const QDateTime &time)
{
    if (time == m_target)
        return;
    m_target = time;
    emit targetChanged(time);
}

void DeviceClock::send()
{
    if (m_sent)
        return;
    m_sent = true;
    if (m_bus)
        emit m_bus->_signal_up_time_sync_request(m_target, m_device);
}

// Shown one second ahead, the step of a tick. A time the device's answer did
// not hold leaves the running clock alone.
void DeviceClock::reported(const QDateTime &time, const ArdentixDevice &device)
{
    if (device.macAddress != m_device.macAddress || !time.isValid())
        return;
    setDeviceTime(time.addSecs(1));
}

void DeviceClock::setDeviceTime(const QDateTime &time)
{
    m_deviceTime = time;
    emit deviceTimeChanged(time);
}
