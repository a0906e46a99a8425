#include "comm/transfer/axfileaccess.h"

#include "platform/transfertool.h"
#include "comm/transfer/transfercommand.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QTimer>

namespace {
// curl's exit code for a local file it could not read: worth another try.
const int CurlReadError = 26;
// curl's exit codes for a transfer stopped at the limits it was given: stalled, too large.
const int CurlTimedOut = 28;
const int CurlFileTooLarge = 63;
const int MaxRetriesPerBatch = 4;
const int HttpUnauthorized = 401;
// An upload CGI answers with a short page: an answer past this is no such answer.
const qsizetype MaxUploadAnswer = 1024 * 1024;
// A device's files are its settings, logs and firmware images of a few MB:
// a file past 64 MiB is none of them, and a list of them needs far less than
// 256 MiB of the working disk.
const qint64 MaxFetchedFile = 64 * 1024 * 1024;
const qint64 MaxFetchedList = 256 * 1024 * 1024;
// How often a running fetch's file is measured; at 1 Gbit/s a file runs at
// most some 12 MB past its limit.
const int FetchWatchMs = 100;
}

AxFileAccess::AxFileAccess(QObject *parent)
    : QObject(parent)
    , sendProcess(new QProcess(this))
    , getProcess(new QProcess(this))
    , fetchWatch(new QTimer(this))
{
    fetchWatch->setInterval(FetchWatchMs);
    connect(fetchWatch, &QTimer::timeout, this, &AxFileAccess::checkFetchSize);
    connect(sendProcess, &QProcess::finished, this, &AxFileAccess::FileSendComplete);
    connect(sendProcess, &QProcess::readyReadStandardOutput,
            this, &AxFileAccess::process_file_send_output);
    connect(getProcess, &QProcess::finished, this, &AxFileAccess::FileGetComplete);
    connect(getProcess, &QProcess::readyReadStandardOutput,
            this, &AxFileAccess::process_file_get_output);
    // A tool that cannot start never finishes; queued, so start() never re-enters us.
    connect(sendProcess, &QProcess::errorOccurred,
            this, &AxFileAccess::sendProcessFailed, Qt::QueuedConnection);
    connect(getProcess, &QProcess::errorOccurred,
            this, &AxFileAccess::getProcessFailed, Qt::QueuedConnection);
}

AxFileAccess::~AxFileAccess()
{
    stopQuietly(sendProcess);
    // A fetch stopped halfway leaves no part of its file behind.
    const QString fetching = getProcess->state() == QProcess::NotRunning || getQueue.isEmpty()
                                 ? QString() : getQueue.first().localPath;
    stopQuietly(getProcess);
    if (!fetching.isEmpty())
        QFile::remove(fetching);
}

bool AxFileAccess::sendFiles(const QStringList &local_paths, const QStringList &remote_names,
                             const ArdentixDevice &device)
{
    if (transferToolProgram(TransferCommand::curlTool).isEmpty()) {
        qDebug() << "Curl not found";
        return false;
    }
    if (local_paths.size() != remote_names.size()) {
        qDebug() << "Error: path and name list count mismatch";
        return false;
    }
    FileBatch batch{{}, device};
    for (int i = 0; i < local_paths.size(); ++i) {
        const QString localPath = QDir::fromNativeSeparators(local_paths.at(i));
        if (!fileExists(localPath)) {
            qDebug() << "File does not exist" << localPath;
            return false;
        }
        batch.files.append({localPath, remote_names.at(i)});
    }

    if (!batchRunning) {
        startBatch(batch);
    } else if (!batch.files.isEmpty()) {
        qDebug() << "Upload to" << device.ipAddress.toString() << "waits for the one running to" << targetHost;
        waitingBatches.append(batch);
    }
    return true;
}

void AxFileAccess::startBatch(const FileBatch &batch)
{
    sendQueue = batch.files;
    targetDevice = batch.device;
    successCount = 0;
    retryCount = 0;
    if (sendQueue.isEmpty())
        return;
    batchRunning = true;
    targetHost = batch.device.ipAddress.toString();
    sendProcess->setWorkingDirectory(QStringLiteral("./"));
    sendFile(sendQueue.first().localPath, sendQueue.first().remoteName);
}

bool AxFileAccess::getFileList(const QStringList &local_paths, const QStringList &remote_names,
                               const ArdentixDevice &device, int tool)
{
    if (local_paths.size() != remote_names.size()) {
        qDebug() << "Get file list count mismatch";
        return false;
    }
    getQueue.clear();   // the new list replaces the old one
    for (int i = 0; i < local_paths.size(); ++i)
        getQueue.append({local_paths.at(i), remote_names.at(i)});
    targetDevice = device;
    targetHost = device.ipAddress.toString();
    getTool = tool;
    fetchRoom = MaxFetchedList;
    listCutShort = false;

    if (getQueue.isEmpty()) {
        emit signal_file_get_complete(true);
        return true;
    }
    getFile(getQueue.first().localPath, getQueue.first().remoteName);
    return true;
}

bool AxFileAccess::dirExists(const QString &path) const
{
    return QDir(path).exists();
}

bool AxFileAccess::fileExists(const QString &path) const
{
    return QFile(path).exists();
}

bool AxFileAccess::makePath(const QString &path) const
{
    return QDir().mkpath(path);
}

bool AxFileAccess::fileExistsIn(const QString &dir, const QString &name) const
{
    return fileExists(dir + QLatin1Char('/') + name);
}

QStringList AxFileAccess::listFilesInDir(const QString &dir, const QStringList &name_filters) const
{
    QStringList names;
    if (!dirExists(dir)) {
        qDebug() << "Cant get file list from dir: " << dir;
    } else if (name_filters.isEmpty()) {
        names = QDir(dir).entryList(QDir::AllEntries, QDir::Name | QDir::IgnoreCase);
    } else {
        names = QDir(dir).entryList(name_filters, QDir::Files, QDir::Name);
    }
    qDebug() << "File list:" << names;
    return names;
}

void AxFileAccess::sendFile(const QString &localPath, const QString &remoteName)
{
    sendOutput.clear();
    sendCutOff = false;
    const QString name = remoteName.isEmpty() ? localPath.section(QLatin1Char('/'), -1) : remoteName;
    qDebug() << "Send file: " << localPath;
    const TransferCommand command = TransferCommand::upload(
        localPath, name, targetHost, targetDevice.username, targetDevice.password);
    qDebug() << command.arguments;
    startTool(sendProcess, command);
}

void AxFileAccess::getFile(const QString &localPath, const QString &remoteName)
{
    stopQuietly(getProcess);
    fetchCutOff = false;
    fetchLimit = qMin(MaxFetchedFile, fetchRoom);
    if (remoteName.isEmpty() || localPath.isEmpty())
        qDebug() << "Error getting file: path is empty";   // started all the same: its end moves the queue on
    qDebug() << "Get file: " << remoteName;
    TransferCommand command;
    if (getTool == FetchOverHttp) {
        command = TransferCommand::curlDownload(targetHost, remoteName, localPath,
                                                targetDevice.username, targetDevice.password, fetchLimit);
    } else if (getTool == FetchWithKovnet) {
        command = TransferCommand::kovnetDownload(targetHost, remoteName, localPath);
    }
    qDebug() << command.tool << command.arguments;
    startTool(getProcess, command);
    fetchWatch->start();
}

void AxFileAccess::startTool(QProcess *process, const TransferCommand &command)
{
    const QString program = command.tool.isEmpty() ? QString() : transferToolProgram(command.tool);
    if (program.isEmpty() && !command.tool.isEmpty())
        qDebug() << "Transfer tool not found: " << command.tool;
    process->start(program, command.arguments, QIODevice::ReadWrite);
    if (!command.standardInput.isEmpty())
        process->write(command.standardInput);
    process->closeWriteChannel();
}

void AxFileAccess::process_file_send_output()
{
    const QByteArray chunk = sendProcess->readAllStandardOutput();
    if (chunk.isEmpty() || sendCutOff)
        return;
    const QByteArray kept = chunk.left(MaxUploadAnswer - sendOutput.size());
    const qsizetype zero = kept.indexOf('\0');
    const QString text = QString::fromLatin1(zero < 0 ? kept : kept.left(zero));
    qDebug() << "FILE TRANSFER : " << text;
    sendOutput += kept;
    if (kept.size() < chunk.size()) {
        sendCutOff = true;
        sendProcess->kill();
    }
}

void AxFileAccess::FileSendComplete(int return_code, QProcess::ExitStatus state)
{
    finishUpload(return_code, state == QProcess::CrashExit);
}

void AxFileAccess::sendProcessFailed(QProcess::ProcessError error)
{
    if (error == QProcess::FailedToStart && sendProcess->state() == QProcess::NotRunning)
        finishUpload(-1, true);
}

// A file counts as stored only when curl ended normally with 0 and the device's
// answer holds "Success", wherever it stands; each file's end is reported once.
void AxFileAccess::finishUpload(int returnCode, bool crashed)
{
    QByteArray errorOutput;
    if (sendProcess->isOpen()) {
        process_file_send_output();
        errorOutput = sendProcess->readAllStandardError();
    }
    sendProcess->close();
    if (sendQueue.isEmpty())
        return;
    const FileNamePair file = sendQueue.takeFirst();

    // A crashed or stopped curl's output may end anywhere: only a whole answer is read.
    const bool whole = !crashed && !sendCutOff;
    int httpStatus = 0;
    const QByteArray answer = whole ? TransferCommand::uploadAnswer(sendOutput, &httpStatus) : QByteArray();
    if (httpStatus == HttpUnauthorized) {
        // The same credentials go with every file: none of the batch can be sent.
        qDebug() << "Upload refused, the device wants a login: " + file.localPath + " to target: " + targetHost;
        reportUpload(file.localPath, FILE_TRANSFER_AUTH_REQUIRED);
        stopBatch(file.localPath, FILE_TRANSFER_AUTH_REQUIRED);
        return;
    }

    const bool stored = whole && returnCode == 0 && answer.contains("Success");
    if (stored) {
        ++successCount;
        qDebug() << "File transfer sucessfull to target: " << targetHost;
        reportUpload(file.localPath, FILE_TRANSFER_COMPLETE);
        if (!sendQueue.isEmpty()) {
            sendFile(sendQueue.first().localPath, sendQueue.first().remoteName);
            return;
        }
        endBatch(file.localPath);
        return;
    }

    if (!sendCutOff && (crashed || returnCode == CurlReadError) && retryCount < MaxRetriesPerBatch) {
        qDebug() << "Curl code" << (crashed ? QStringLiteral("crash") : QString::number(returnCode))
                 << "  Retrying";
        ++retryCount;
        sendQueue.prepend(file);
        sendFile(file.localPath, file.remoteName);
        return;
    }

    if (sendCutOff) {
        qDebug() << " ERROR: answer past " + QString::number(MaxUploadAnswer) + " bytes on file: " + file.localPath
                        + " from target: " + targetHost;
    } else if (crashed) {
        qDebug() << " ERROR: CURL crashed or could not start on file: " + file.localPath
                        + " to target: " + targetHost;
    } else if (returnCode != 0) {
        qDebug() << " ERROR: CURL exited with code: " + QString::number(returnCode)
                        + " on file: " + file.localPath + " to target: " + targetHost;
    } else {
        qDebug() << "File Send error:" << file.localPath;
    }
    logErrorOutput(errorOutput);
    reportUpload(file.localPath, FILE_TRANSFER_FAILED);
    stopBatch(file.localPath, FILE_TRANSFER_FAILED);
}

// The batch stops at the file that failed; the files it never sent end with restState.
void AxFileAccess::stopBatch(const QString &stoppedAt, FILE_TRANSFER_STATE restState)
{
    const QList<FileNamePair> unsent = sendQueue;
    sendQueue.clear();
    for (const FileNamePair &file : unsent)
        reportUpload(file.localPath, restState);
    endBatch(stoppedAt);
}

// The next batch starts before the end is announced, so a batch asked for in
// answer to it waits its turn behind those already waiting.
void AxFileAccess::endBatch(const QString &lastFile)
{
    const int stored = successCount;
    batchRunning = false;
    if (!waitingBatches.isEmpty())
        startBatch(waitingBatches.takeFirst());
    emit named_file_transfer_complete(stored, lastFile);
}

void AxFileAccess::reportUpload(const QString &localPath, FILE_TRANSFER_STATE state)
{
    const bool stored = state == FILE_TRANSFER_COMPLETE;
    emit signal_named_file_complete(localPath, stored);
    emit signal_file_send_complete(localPath, state, stored ? 100.0f : 0.0f, targetDevice);
}

void AxFileAccess::process_file_get_output()
{
    const QByteArray output = getProcess->readAllStandardOutput();
    if (!output.isEmpty())
        qDebug() << "FILE GET : " << QString::fromLocal8Bit(output);
}

void AxFileAccess::FileGetComplete(int return_code, QProcess::ExitStatus state)
{
    finishDownload(return_code, state == QProcess::CrashExit);
}

void AxFileAccess::getProcessFailed(QProcess::ProcessError error)
{
    if (error == QProcess::FailedToStart && getProcess->state() == QProcess::NotRunning
        && !getQueue.isEmpty())
        finishDownload(-1, true);
}

// Measured while a fetch runs: a tool that does not stop a file at its limit is stopped here.
void AxFileAccess::checkFetchSize()
{
    if (getQueue.isEmpty() || fetchCutOff || QFileInfo(getQueue.first().localPath).size() <= fetchLimit)
        return;
    fetchCutOff = true;
    getProcess->kill();
}

// A fetch that fails with an exit code leaves the list going on (the caller
// collects what it can); a tool that crashed or never started ends the list with
// failure, and so, once the list has ended, does a file cut off at a limit.
void AxFileAccess::finishDownload(int returnCode, bool crashed)
{
    fetchWatch->stop();
    if (getProcess->isOpen()) {
        process_file_get_output();
        if (crashed || returnCode != 0)
            logErrorOutput(getProcess->readAllStandardError());
    }
    qDebug() << "Exit code: " << returnCode;
    getProcess->close();
    const QString localPath = getQueue.isEmpty() ? QString() : getQueue.takeFirst().localPath;
    const bool cutOff = settleFetchedFile(localPath, returnCode, crashed);
    listCutShort = listCutShort || cutOff;
    if (crashed && !cutOff) {
        qDebug() << "File get tool crashed or could not start; dropping" << getQueue.size()
                 << "queued files";
        getQueue.clear();
        emit signal_file_get_complete(false);
        return;
    }
    if (!getQueue.isEmpty() && fetchRoom <= 0) {
        qDebug() << "Fetched files reached" << MaxFetchedList << "bytes; not fetched:" << getQueue.size() << "files";
        getQueue.clear();
        listCutShort = true;
    }
    if (getQueue.isEmpty()) {
        emit signal_file_get_complete(!listCutShort);
        return;
    }
    getFile(getQueue.first().localPath, getQueue.first().remoteName);
}

// Only whole files stay: one cut off at a limit, or what curl leaves of a fetch
// that failed, is deleted; one kept takes its size from the list's room. True
// when the fetch was cut off.
bool AxFileAccess::settleFetchedFile(const QString &localPath, int returnCode, bool crashed)
{
    const bool overLimit = fetchCutOff || (getTool == FetchOverHttp && returnCode == CurlFileTooLarge)
        || QFileInfo(localPath).size() > fetchLimit;
    const bool stalled = getTool == FetchOverHttp && returnCode == CurlTimedOut;
    const bool cutOff = overLimit || stalled;
    if (overLimit)
        qDebug() << "File get cut off at its limit of" << fetchLimit << "bytes: " << localPath;
    else if (stalled)
        qDebug() << "File get stalled: " << localPath;
    const bool partial = cutOff || (getTool == FetchOverHttp && (crashed || returnCode != 0));
    if (!partial)
        fetchRoom -= QFileInfo(localPath).size();
    else if (!localPath.isEmpty() && QFile::remove(localPath))
        qDebug() << "Partly fetched file deleted: " << localPath;
    return cutOff;
}

void AxFileAccess::stopQuietly(QProcess *process)
{
    // close() emits finished() at once; that end is ours, not the tool's.
    const QSignalBlocker quiet(process);
    process->close();
}

// Kept by QProcess until read; shown only for a tool that failed, as curl's progress meter shares it.
void AxFileAccess::logErrorOutput(const QByteArray &output)
{
    if (!output.isEmpty())
        qDebug() << "Transfer tool error output: " << QString::fromLocal8Bit(output);
}
