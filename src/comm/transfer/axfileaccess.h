#ifndef AXFILEACCESS_H
#define AXFILEACCESS_H

#include "comm/transfer/filebatch.h"
#include "comm/transfer/filenamepair.h"
#include "model/ardentixdevice.h"

#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>

class QTimer;
class TransferCommand;

// Moves files between the PC and a device through external tools run as child
// processes: curl uploads to the device's upload CGI and fetches over HTTP, the
// KOVNET tool fetches over the device's own protocol. One queue and one tool
// process per direction; results are reported through the signals. Upload
// batches run one after the other; every file of a batch ends with one report.
class AxFileAccess : public QObject
{
    Q_OBJECT

public:
    explicit AxFileAccess(QObject *parent = nullptr);
    ~AxFileAccess() override;

    // Uploads with curl, one file after the other, once the batches asked for
    // earlier have ended; false when curl, a local file or a name is missing
    // (nothing is queued then, and nothing reported).
    bool sendFiles(const QStringList &local_paths, const QStringList &remote_names,
                   const ArdentixDevice &device);
    // The tools getFileList fetches with.
    enum FetchTool { FetchOverHttp = 0, FetchWithKovnet = 1 };

    // Fetches with curl or the KOVNET tool (a FetchTool), one file after the other.
    // A file that grows past its limit is stopped and deleted, and the list goes on;
    // once the list's files fill its limit, the rest are not fetched.
    bool getFileList(const QStringList &local_paths, const QStringList &remote_names,
                     const ArdentixDevice &device, int tool);

    bool dirExists(const QString &path) const;
    bool fileExists(const QString &path) const;
    bool makePath(const QString &path) const;
    bool fileExistsIn(const QString &dir, const QString &name) const;
    QStringList listFilesInDir(const QString &dir, const QStringList &name_filters) const;

signals:
    // An upload batch ended, after its last file or at the file that stopped it.
    void named_file_transfer_complete(int success_count, QString last_file_name);
    void signal_named_file_complete(QString file_name, bool success);
    void signal_file_send_complete(QString file_name, FILE_TRANSFER_STATE tx_state, float progress,
                                   ArdentixDevice target_device);
    // The download list has ended; false when a tool crashed or could not be
    // started, or files were cut off at a limit.
    void signal_file_get_complete(bool success);

private slots:
    void FileSendComplete(int return_code, QProcess::ExitStatus state);
    void process_file_send_output();
    void FileGetComplete(int return_code, QProcess::ExitStatus state);
    void process_file_get_output();
    void sendProcessFailed(QProcess::ProcessError error);
    void getProcessFailed(QProcess::ProcessError error);
    void checkFetchSize();

private:
    void sendFile(const QString &localPath, const QString &remoteName);
    void getFile(const QString &localPath, const QString &remoteName);
    void startBatch(const FileBatch &batch);
    void finishUpload(int returnCode, bool crashed);
    void stopBatch(const QString &stoppedAt, FILE_TRANSFER_STATE restState);
    void endBatch(const QString &lastFile);
    void finishDownload(int returnCode, bool crashed);
    bool settleFetchedFile(const QString &localPath, int returnCode, bool crashed);
    void reportUpload(const QString &localPath, FILE_TRANSFER_STATE state);
    void startTool(QProcess *process, const TransferCommand &command);
    static void stopQuietly(QProcess *process);
    static void logErrorOutput(const QByteArray &output);

    QProcess *sendProcess;
    QProcess *getProcess;
    QTimer *fetchWatch;             // measures the running fetch's file against fetchLimit
    QByteArray sendOutput;          // the running upload's whole answer, judged at its end
    bool sendCutOff = false;        // its answer ran past its limit and curl was stopped
    QString targetHost;
    int successCount = 0;
    ArdentixDevice targetDevice;
    QList<FileNamePair> sendQueue;  // files of the running batch not yet ended
    bool batchRunning = false;      // until the batch's end is announced
    QList<FileBatch> waitingBatches;
    QList<FileNamePair> getQueue;
    int retryCount = 0;
    int getTool = 1;
    qint64 fetchLimit = 0;          // size the running fetch may reach
    qint64 fetchRoom = 0;           // bytes the list's files may still bring
    bool fetchCutOff = false;       // the running fetch was stopped at its limit
    bool listCutShort = false;      // a file of the list was cut off
};

#endif // AXFILEACCESS_H
