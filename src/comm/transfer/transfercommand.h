#ifndef TRANSFERCOMMAND_H
#define TRANSFERCOMMAND_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// One run of an external transfer tool: the tool (by its Windows path), its
// arguments one by one, and what it reads on standard input. Names and paths
// from devices and users stay inside their own arguments, quoted where the tool
// would otherwise read meaning into them, and the device password travels on
// standard input, never in the process list.
class TransferCommand
{
public:
    static const QString curlTool;
    static const QString kovnetTool;

    static TransferCommand upload(const QString &localPath, const QString &remoteName,
                                  const QString &host,
                                  const QString &username, const QString &password);
    static TransferCommand curlDownload(const QString &host, const QString &remoteName,
                                        const QString &localPath,
                                        const QString &username, const QString &password,
                                        qint64 maxBytes);
    static TransferCommand kovnetDownload(const QString &host, const QString &remoteName,
                                          const QString &localPath);

    // An upload's output is the device's answer followed by the HTTP status
    // line the upload command asks curl for; the answer alone, and the status
    // (0 when the line is missing, as when curl never reached the device).
    static QByteArray uploadAnswer(const QByteArray &output, int *httpStatus);

    QString tool;
    QStringList arguments;
    QByteArray standardInput;

private:
    void addCredentials(const QString &username, const QString &password);
    void addStallLimit();
    static QString formValue(const QString &text);
    static QString localFileArgument(const QString &path);
    static QByteArray configText(const QString &text);
};

#endif // TRANSFERCOMMAND_H
