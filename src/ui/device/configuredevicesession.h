#ifndef CONFIGUREDEVICESESSION_H
#define CONFIGUREDEVICESESSION_H

#include "model/ardentixdevice.h"

#include <QObject>
#include <QPointer>
#include <QString>

class AxSignalObject;

// The work behind the Configure Device window of one device: the device's
// login, and the requests its buttons send up the bus (restart, the network
// settings file, the device clock). It asks nothing of the user itself.
class ConfigureDeviceSession : public QObject
{
    Q_OBJECT

public:
    ConfigureDeviceSession(AxSignalObject *bus, const ArdentixDevice &device, QObject *parent = nullptr);

    // The device as the windows it opens get it: with the credentials once given.
    const ArdentixDevice &device() const { return m_device; }
    // A password-protected device reachable over IP or added by the user.
    bool requiresLogin() const;
    bool isLoginPending() const { return m_login != LoginSettled; }

    // Asks for the login: a dialog for a device without a user name, else the
    // stored credentials go up at once. Nothing for a device without login.
    void beginLogin();
    void restart();
    void requestNetworkSettings();
    void requestDeviceTime();

public slots:
    // The login dialog's answer; an empty user name cancels. Ignored unless asked for.
    void login(const QString &user, const QString &password);

signals:
    // Open a login dialog with this message (empty: the dialog's own).
    void loginRequested(const QString &message);
    void loginAccepted();
    void loginCancelled();

private slots:
    void verdict(const ArdentixDevice &device, bool accepted);

private:
    enum LoginState { LoginSettled, AskingUser, AwaitingVerdict };

    void sendCredentials();

    QPointer<AxSignalObject> m_bus;
    ArdentixDevice m_device;
    LoginState m_login = LoginSettled;
};

#endif // CONFIGUREDEVICESESSION_H
