#include "configuredevicesession.h"

#include "networksettings.h"

#include "model/axsignalobject.h"

#include <QDebug>

ConfigureDeviceSession::ConfigureDeviceSession(AxSignalObject *bus, const ArdentixDevice &device, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_device(device)
{
    if (bus)
        connect(bus, &AxSignalObject::_signal_down_user_authenticated, this, &ConfigureDeviceSession::verdict);
}

bool ConfigureDeviceSession::requiresLogin() const
{
    return m_device.passwordRequired && (m_device.isIpReachable() || m_device.userDevice);
}

void ConfigureDeviceSession::beginLogin()
{
    if (!requiresLogin() || m_login != LoginSettled)
        return;
    if (m_device.username.isEmpty()) {
        m_login = AskingUser;
        emit loginRequested(QString());
        return;
    }
    sendCredentials();
}

void ConfigureDeviceSession::login(const QString &user, const QString &password)
{
    if (m_login != AskingUser)
        return;
    if (user.isEmpty()) {
        qDebug() << "Login canceled";
        m_login = LoginSettled;
        emit loginCancelled();
        return;
    }
    m_device.setCredentials(user, password);
    sendCredentials();
}

void ConfigureDeviceSession::sendCredentials()
{
    m_login = AwaitingVerdict;
    if (m_bus)
        emit m_bus->_signal_up_set_device_credentials(m_device);
}

// Verdicts reach every window; only the one this window waits for counts.
void ConfigureDeviceSession::verdict(const ArdentixDevice &device, bool accepted)
{
    if (m_login != AwaitingVerdict || device.ipAddress.toString() != m_device.ipAddress.toString())
        return;
    if (accepted) {
        m_login = LoginSettled;
        emit loginAccepted();
        return;
    }
    m_login = AskingUser;
    emit loginRequested(QStringLiteral("Login error, please try again"));
}

void ConfigureDeviceSession::restart()
{
    qDebug().noquote() << " Restart device " + m_device.ipAddress.toString();
    if (m_bus)
        emit m_bus->_signal_up_restart_device(m_device);
}

void ConfigureDeviceSession::requestNetworkSettings()
{
    if (m_bus)
        emit m_bus->_signal_up_get_file(NetworkSettings::DeviceFileName, m_device);
}

void ConfigureDeviceSession::requestDeviceTime()
{
    if (m_bus)
        emit m_bus->_signal_up_read_system_time_request(m_device);
}
