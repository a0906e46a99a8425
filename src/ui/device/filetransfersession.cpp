#include "filetransfersession.h"

#include "model/axsignalobject.h"

#include <QDebug>
#include <QDir>

FileTransferSession::FileTransferSession(AxSignalObject *bus, const ArdentixDevice &device, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_device(device)
{
    if (!bus)
        return;
    connect(bus, &AxSignalObject::_signal_down_file_send_complete, this,
            &FileTransferSession::set_file_send_status);
    connect(bus, &AxSignalObject::_signal_down_update_device_firmware_name, this,
            &FileTransferSession::update_device_firmware_name);
    emit bus->_signal_up_get_flash_size(m_device);
}

QString FileTransferSession::browseDirectory()
{
    if (m_lastDirectory.isEmpty() && m_bus && m_bus->settings)
        m_lastDirectory = m_bus->settings->workingPath;
    return m_lastDirectory;
}

QString FileTransferSession::fileFilter(Kind kind) const
{
    switch (kind) {
    case ConfigFile:
        return QStringLiteral("Config (config.csv;delivery.csv);; All Configs(*.csv)");
    case FirmwareFile:
        return QStringLiteral("Firmware (") + m_device.firmwareFileName + QStringLiteral(");;All Firmware (*.bin)");
    case GeneralFiles:
        break;
    }
    return tr("All (*)");
}

void FileTransferSession::addFiles(Kind kind, const QStringList &paths)
{
    // The list of a running send stays as it was sent.
    if (m_sendingKind == kind)
        return;
    QStringList taken;
    for (const QString &path : paths) {
        if (!path.isEmpty())
            taken << QDir::fromNativeSeparators(path);
        if (kind != GeneralFiles)
            break;
    }
    if (taken.isEmpty())
        return;
    if (kind != GeneralFiles)
        m_files[kind].clear();
    for (const QString &path : std::as_const(taken)) {
        TransferFile file;
        file.localPath = path;
        m_files[kind].append(file);
        m_lastDirectory = path.section(QLatin1Char('/'), 0, -2);
    }
    emit filesChanged(kind);
}

void FileTransferSession::clearFiles(Kind kind)
{
    if (m_sendingKind == kind || m_files[kind].isEmpty())
        return;
    m_files[kind].clear();
    emit filesChanged(kind);
}

bool FileTransferSession::send(Kind kind)
{
    if (isSending() || m_files[kind].isEmpty())
        return false;
    m_sendingKind = kind;
    m_login = LoginNotAsked;
    emit sendingChanged(true);
    sendFiles(false);
    return true;
}

QString FileTransferSession::remoteName(Kind kind, const QString &localPath) const
{
    // Whatever the chosen file is called, the device reads its configuration from config.csv.
    if (kind == ConfigFile)
        return QStringLiteral("config.csv");
    if (kind == FirmwareFile
        && (m_device.devicePlatform == QLatin1String("AX-K700") || m_device.devicePlatform == QLatin1String("AX-V60")))
        return QStringLiteral("bootmenu.exe");
    return localPath.section(QLatin1Char('/'), -1);
}

// One request for the files of the running send; after a login only those not
// stored yet. The request is made afresh each time, so it never carries the
// files of an earlier send.
void FileTransferSession::sendFiles(bool skipSent)
{
    const Kind kind = Kind(m_sendingKind);
    QStringList localPaths;
    QStringList remoteNames;
    for (TransferFile &file : m_files[kind]) {
        if (skipSent && file.status == TransferFile::Sent)
            continue;
        file.status = TransferFile::Sending;
        file.percent = 0.0f;
        file.awaitingLogin = false;
        localPaths << file.localPath;
        remoteNames << remoteName(kind, file.localPath);
    }
    emit filesChanged(kind);
    if (m_bus)
        emit m_bus->_signal_up_send_file(localPaths, remoteNames, m_device);
}

void FileTransferSession::set_file_send_status(const QString &file, FILE_TRANSFER_STATE state, float percent,
                                               const ArdentixDevice &reporter)
{
    // Reports outside a send, or about another device, belong to someone else's transfer.
    if (!isSending() || reporter.macAddress != m_device.macAddress)
        return;
    bool changed = false;
    bool refused = false;
    for (TransferFile &row : m_files[m_sendingKind]) {
        if (row.localPath != file || row.isFinal() || row.awaitingLogin)
            continue;
        switch (state) {
        case FILE_TRANSFER_IN_PROGRESS:
            row.status = TransferFile::InProgress;
            row.percent = percent;
            break;
        case FILE_TRANSFER_FAILED:
            row.status = TransferFile::Failed;
            break;
        case FILE_TRANSFER_COMPLETE:
            row.status = TransferFile::Sent;
            break;
        case FILE_TRANSFER_AUTH_REQUIRED:
            row.awaitingLogin = true;
            refused = true;
            break;
        default:
            continue;
        }
        changed = true;
    }
    if (!changed)
        return;
    emit filesChanged(m_sendingKind);
    // Every file of a send may be refused: one login answers them all.
    if (refused && m_login == LoginNotAsked) {
        m_login = LoginAsked;
        emit loginRequested();
    }
    if (isSending())
        endSendIfOver();
}

// A send is over when each of its files is stored, failed or refused. Refused
// files go again once the login is given, never while the first request still
// runs in the device communications: the last report may come from inside it,
// so the new request leaves from the event loop.
void FileTransferSession::endSendIfOver()
{
    bool refused = false;
    for (const TransferFile &file : std::as_const(m_files[m_sendingKind])) {
        if (file.awaitingLogin)
            refused = true;
        else if (!file.isFinal())
            return;
    }
    if (refused) {
        if (m_login == LoginGiven) {
            m_login = LoginNotAsked;
            QMetaObject::invokeMethod(this, [this] { sendFiles(true); }, Qt::QueuedConnection);
        }
        return;
    }
    const Kind kind = Kind(m_sendingKind);
    m_sendingKind = -1;
    emit sendingChanged(false);
    if (kind != GeneralFiles && m_files[kind].first().status == TransferFile::Sent)
        emit restartOffered();
}

void FileTransferSession::device_login(const QString &user, const QString &password)
{
    if (m_login != LoginAsked)
        return;
    if (user.isEmpty()) {
        qDebug() << "Login canceled";
        const Kind kind = Kind(m_sendingKind);
        for (TransferFile &file : m_files[kind]) {
            file.status = TransferFile::Ready;
            file.awaitingLogin = false;
        }
        m_sendingKind = -1;
        m_login = LoginNotAsked;
        emit filesChanged(kind);
        emit sendingChanged(false);
        return;
    }
    m_device.setCredentials(user, password);
    if (m_bus)
        emit m_bus->_signal_up_set_device_credentials(m_device);
    m_login = LoginGiven;
    endSendIfOver();
}

// Only the file name: the rest of the answering record is the one the
// question carried, older than a login given since.
void FileTransferSession::update_device_firmware_name(const ArdentixDevice &reporter)
{
    if (reporter.macAddress != m_device.macAddress)
        return;
    qDebug() << "Update device firmware: " << m_device.firmwareFileName << " - " << reporter.firmwareFileName;
    m_device.firmwareFileName = reporter.firmwareFileName;
}

void FileTransferSession::restartDevice()
{
    qDebug() << " Restart device " << m_device.ipAddress.toString();
    if (m_bus)
        emit m_bus->_signal_up_restart_device(m_device);
}
