#ifndef FILETRANSFERSESSION_H
#define FILETRANSFERSESSION_H

#include "model/ardentixdevice.h"
#include "transferfile.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class AxSignalObject;

// The work of the file transfer window for one device: the three lists of
// files (a configuration file, a firmware image, any number of general files),
// one send at a time over the signal bus with each file's status from the
// device's reports, the login when the device refuses the password, and the
// restart offer after a configuration or firmware file is stored. It also asks
// the device's flash size, which picks the firmware file name to look for.
class FileTransferSession : public QObject
{
    Q_OBJECT

public:
    enum Kind { ConfigFile = 0, FirmwareFile = 1, GeneralFiles = 2 };
    static constexpr int KindCount = 3;

    // Requests travel up through bus, reports come down through it; asks the
    // flash size at once. Without a bus nothing is sent.
    FileTransferSession(AxSignalObject *bus, const ArdentixDevice &device, QObject *parent = nullptr);

    const ArdentixDevice &device() const { return m_device; }
    const QList<TransferFile> &files(Kind kind) const { return m_files[kind]; }
    bool isSending() const { return m_sendingKind >= 0; }

    // The folder a file dialog starts in: the profile's working folder at
    // first, then that of the last file added on any list.
    QString browseDirectory();
    QString fileFilter(Kind kind) const;
    // The configuration and firmware lists take only the first name, in place
    // of what they held; the general list appends every name.
    void addFiles(Kind kind, const QStringList &paths);
    void clearFiles(Kind kind);
    // Sends every file of the list; false while a send runs or when the list is empty.
    bool send(Kind kind);

public slots:
    // A report of the device communications about one file.
    void set_file_send_status(const QString &file, FILE_TRANSFER_STATE state, float percent,
                              const ArdentixDevice &reporter);
    void update_device_firmware_name(const ArdentixDevice &reporter);
    // The answer to loginRequested(); an empty user name cancels the send.
    void device_login(const QString &user, const QString &password);
    void restartDevice();

signals:
    void filesChanged(int kind);
    void sendingChanged(bool sending);
    // Once per send in which the device refused the password.
    void loginRequested();
    // A configuration or firmware file was stored: it takes effect after a restart.
    void restartOffered();

private:
    enum LoginState { LoginNotAsked, LoginAsked, LoginGiven };

    QString remoteName(Kind kind, const QString &localPath) const;
    void sendFiles(bool skipSent);
    void endSendIfOver();

    QPointer<AxSignalObject> m_bus;
    ArdentixDevice m_device;
    QList<TransferFile> m_files[KindCount];
    int m_sendingKind = -1;
    LoginState m_login = LoginNotAsked;
    QString m_lastDirectory;
};

#endif // FILETRANSFERSESSION_H
