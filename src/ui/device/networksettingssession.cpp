#include "networksettingssession.h"

#include "model/axsignalobject.h"

#include <QDebug>
#include <QFile>
#include <QTimer>

NetworkSettingsSession::NetworkSettingsSession(AxSignalObject *bus, const ArdentixDevice &device, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_device(device)
{
    if (!bus)
        return;
    connect(bus, &AxSignalObject::_signal_down_file_received, this, &NetworkSettingsSession::fileReceived);
    connect(bus, &AxSignalObject::_signal_down_file_send_complete, this, &NetworkSettingsSession::sendStatus);
}

bool NetworkSettingsSession::setValue(NetworkSettings::Row row, const QString &value)
{
    m_settings.setValue(row, value);
    return !NetworkSettings::isAddress(row) || NetworkSettings::isDottedQuad(value);
}

bool NetworkSettingsSession::canUpdate() const
{
    return m_read && !m_sending && m_settings.isWritable();
}

QString NetworkSettingsSession::localFileName() const
{
    return QStringLiteral("./") + QString(m_device.macAddress).replace(QLatin1Char(':'), QLatin1Char('_'))
        + QStringLiteral("_ax_tcp.ini");
}

bool NetworkSettingsSession::update()
{
    if (!canUpdate())
        return false;
    QFile copy(localFileName());
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || copy.write(m_settings.fileText()) != m_settings.fileText().size() || !copy.flush()) {
        qDebug() << "Can't open ax_tcp.ini";
        emit localCopyFailed(localFileName(), copy.errorString());
        return false;
    }
    copy.close();
    m_retryCount = 0;
    setSending(true);
    sendLocalCopy();
    return true;
}

void NetworkSettingsSession::login(const QString &user, const QString &password)
{
    if (!m_loginPending)
        return;
    m_loginPending = false;
    if (user.isEmpty()) {
        qDebug() << "Login canceled";
        setSending(false);
        return;
    }
    m_device.setCredentials(user, password);
    if (m_bus)
        emit m_bus->_signal_up_set_device_credentials(m_device);
    qDebug() << "ax_tcp send retry with PW";
    sendLocalCopy();
}

void NetworkSettingsSession::fileReceived(const QString &name, const QByteArray &contents, bool success,
                                          const ArdentixDevice &sender)
{
    if (sender.macAddress != m_device.macAddress || name != NetworkSettings::DeviceFileName)
        return;
    const NetworkSettings::ReadResult result =
        success ? m_settings.read(contents, m_device) : NetworkSettings::ReadResult();
    if (!result.ok) {
        readFailedOnce();
        return;
    }
    m_retryCount = 0;
    m_read = true;
    emit settingsRead(result.n2LinesShown, result.dnsShown);
}

void NetworkSettingsSession::readFailedOnce()
{
    ++m_retryCount;
    if (m_retryCount <= ReadRetries) {
        qDebug() << "Retry reading file: " << m_retryCount;
        // From the event loop: the transfer that reported is not done with itself yet.
        QTimer::singleShot(0, this, [this] {
            if (m_bus)
                emit m_bus->_signal_up_get_file(NetworkSettings::DeviceFileName, m_device);
        });
        return;
    }
    qDebug() << "Error reading file";
    emit readFailed();
}

void NetworkSettingsSession::sendStatus(const QString &name, FILE_TRANSFER_STATE state, float,
                                        const ArdentixDevice &sender)
{
    if (!m_sending || sender.macAddress != m_device.macAddress || name != localFileName())
        return;
    switch (state) {
    case FILE_TRANSFER_COMPLETE:
        if (m_bus)
            emit m_bus->_signal_up_restart_device(m_device);
        QFile::remove(localFileName());
        setSending(false);
        emit updated();
        break;
    case FILE_TRANSFER_AUTH_REQUIRED:
        m_retryCount = 0;
        if (m_loginPending)
            return;   // one dialog at a time
        m_loginPending = true;
        emit loginRequested();
        break;
    case FILE_TRANSFER_FAILED:
        if (m_retryCount < SendRetries) {
            ++m_retryCount;
            qDebug() << "ax_tcp send retry: " << m_retryCount;
            QTimer::singleShot(0, this, &NetworkSettingsSession::sendLocalCopy);
            return;
        }
        m_retryCount = 0;
        setSending(false);
        emit sendTimedOut();
        break;
    default:
        break;
    }
}

void NetworkSettingsSession::sendLocalCopy()
{
    if (m_bus)
        emit m_bus->_signal_up_send_file({localFileName()}, {NetworkSettings::DeviceFileName}, m_device);
}

void NetworkSettingsSession::setSending(bool sending)
{
    if (m_sending == sending)
        return;
    m_sending = sending;
    emit sendingChanged(sending);
}
