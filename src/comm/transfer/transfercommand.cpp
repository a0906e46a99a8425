#include "comm/transfer/transfercommand.h"

#include <QUrl>

const QString TransferCommand::curlTool = QStringLiteral("./bin/curl.exe");
const QString TransferCommand::kovnetTool = QStringLiteral("./bin/kovnet.exe");

namespace {
// curl writes this after the answer; only the last one counts, so an answer cannot forge it.
const QByteArray StatusMarker = "\nax-upload-http-status: ";
const int StallSeconds = 120;
}

TransferCommand TransferCommand::upload(const QString &localPath, const QString &remoteName,
                                        const QString &host,
                                        const QString &username, const QString &password)
{
    TransferCommand command;
    command.tool = curlTool;
    command.arguments << QStringLiteral("--form")
                      << QStringLiteral("upload=@") + formValue(localFileArgument(localPath))
                             + QStringLiteral(";filename=") + formValue(remoteName);
    command.addCredentials(username, password);
    // The status tells a refused login (401) from a refused file.
    command.arguments << QStringLiteral("--write-out") << QStringLiteral("\\nax-upload-http-status: %{response_code}\\n");
    command.addStallLimit();
    command.arguments << host + QStringLiteral("/ardentix.cgi");
    return command;
}

TransferCommand TransferCommand::curlDownload(const QString &host, const QString &remoteName,
                                              const QString &localPath,
                                              const QString &username, const QString &password,
                                              qint64 maxBytes)
{
    TransferCommand command;
    command.tool = curlTool;
    // Encoded, so blanks, '?', '#' and curl's globbing brackets stay part of the name.
    const QByteArray encodedName = QUrl::toPercentEncoding(remoteName, QByteArrayLiteral("/"));
    command.arguments << host + QLatin1Char('/') + QString::fromLatin1(encodedName)
                      << QStringLiteral("-o") << localFileArgument(localPath);
    command.addCredentials(username, password);
    // curl refuses a file whose announced size is over the limit; one streamed
    // without a size is the caller's to watch.
    command.arguments << QStringLiteral("--max-filesize") << QString::number(maxBytes);
    command.addStallLimit();
    // An error page (a missing file, a refused login) is no device file: curl
    // then ends with an error instead of saving the page under the file's name.
    command.arguments << QStringLiteral("--fail");
    return command;
}

TransferCommand TransferCommand::kovnetDownload(const QString &host, const QString &remoteName,
                                                const QString &localPath)
{
    TransferCommand command;
    command.tool = kovnetTool;
    command.arguments << QStringLiteral("-i") + host
                      << QStringLiteral("-u1")
                      << QStringLiteral("-f") + remoteName
                      << QStringLiteral("-l") + localPath
                      << QStringLiteral("-m1")
                      << QStringLiteral("-k5000");
    return command;
}

QByteArray TransferCommand::uploadAnswer(const QByteArray &output, int *httpStatus)
{
    // Qt 6.4's lastIndexOf reads before a text shorter than what it looks for.
    const qsizetype at = output.size() < StatusMarker.size() ? -1 : output.lastIndexOf(StatusMarker);
    if (at < 0) {
        *httpStatus = 0;
        return output;
    }
    *httpStatus = output.mid(at + StatusMarker.size()).trimmed().toInt();
    return output.left(at);
}

// A device that stops answering ends the transfer (curl's code 28) instead of
// holding it, and the files queued behind it, for ever; two minutes leave room
// for a device writing a large file to flash before it answers.
void TransferCommand::addStallLimit()
{
    arguments << QStringLiteral("--speed-limit") << QStringLiteral("1")
              << QStringLiteral("--speed-time") << QString::number(StallSeconds);
}

// In place of "--user name:password", which every local user could read.
void TransferCommand::addCredentials(const QString &username, const QString &password)
{
    if (username.isEmpty() || password.isEmpty())
        return;
    arguments << QStringLiteral("--config") << QStringLiteral("-");
    standardInput = "user = " + configText(username + QLatin1Char(':') + password) + '\n';
}

// curl's form syntax reads ';', ',' and quotes in a bare value; a quoted one is taken whole.
QString TransferCommand::formValue(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// curl reads a file named "-" as standard input and "-o -" as standard output.
QString TransferCommand::localFileArgument(const QString &path)
{
    return path.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + path : path;
}

QByteArray TransferCommand::configText(const QString &text)
{
    QByteArray quoted = "\"";
    for (const char byte : text.toUtf8()) {
        switch (byte) {
        case '\\': quoted += "\\\\"; break;
        case '"': quoted += "\\\""; break;
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        case '\t': quoted += "\\t"; break;
        case '\v': quoted += "\\v"; break;
        default: quoted += byte; break;
        }
    }
    return quoted + '"';
}
