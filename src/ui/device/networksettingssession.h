#ifndef NETWORKSETTINGSSESSION_H
#define NETWORKSETTINGSSESSION_H

#include "networksettings.h"

#include "model/ardentixdevice.h"
#include "model/axtypes.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class AxSignalObject;

// The work behind the network settings window of one device: takes the
// device's "ax_tcp.ini" as it arrives on the bus (asking again after a failed
// read), holds the edited rows, writes the local copy, sends it as
// "ax_tcp.ini" with its retries and a login when the device wants one, and
// restarts the device once the file is in. It asks nothing of the user
// itself: the signals tell the window what to show.
class NetworkSettingsSession : public QObject
{
    Q_OBJECT

public:
    static const int ReadRetries = 3;
    static const int SendRetries = 5;

    // Requests and results travel on bus; the opener has already asked for the file.
    NetworkSettingsSession(AxSignalObject *bus, const ArdentixDevice &device, QObject *parent = nullptr);

    const ArdentixDevice &device() const { return m_device; }
    const NetworkSettings &settings() const { return m_settings; }
    // Returns whether the value may be written: a dotted quad, or any DHCP word.
    bool setValue(NetworkSettings::Row row, const QString &value);
    // Read, every shown address a dotted quad, and no send running.
    bool canUpdate() const;
    bool isSending() const { return m_sending; }
    // "./" + the MAC with "_" for ":" + "_ax_tcp.ini", in the working directory.
    QString localFileName() const;

public slots:
    // Writes the local copy and sends it; false when nothing was sent.
    bool update();
    // The login dialog's answer; an empty user name cancels. Ignored unless asked for.
    void login(const QString &user, const QString &password);

signals:
    void settingsRead(int n2LinesShown, bool dnsShown);
    void readFailed();
    void sendingChanged(bool sending);
    void localCopyFailed(const QString &path, const QString &reason);
    void loginRequested();
    // Every resend failed; update() starts a new series.
    void sendTimedOut();
    // The device has the file and is restarting.
    void updated();

private slots:
    void fileReceived(const QString &name, const QByteArray &contents, bool success, const ArdentixDevice &sender);
    void sendStatus(const QString &name, FILE_TRANSFER_STATE state, float percent, const ArdentixDevice &sender);

private:
    void readFailedOnce();
    void sendLocalCopy();
    void setSending(bool sending);

    QPointer<AxSignalObject> m_bus;
    ArdentixDevice m_device;
    NetworkSettings m_settings;
    bool m_read = false;
    bool m_sending = false;
    bool m_loginPending = false;
    // Failures in a row; reads and sends share it.
    int m_retryCount = 0;
};

#endif // NETWORKSETTINGSSESSION_H
