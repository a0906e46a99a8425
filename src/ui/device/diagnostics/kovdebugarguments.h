#ifndef KOVDEBUGARGUMENTS_H
#define KOVDEBUGARGUMENTS_H

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QTime>

// The command lines of the capture tool kovdebug, one argument per entry: the
// tool is started with an argument list, never through a shell.
class KovdebugArguments
{
public:
    // A snapshot; the first and the last of a run differ on core firmware 6.18 or later.
    static QStringList snapshot(const QHostAddress &ip, bool coreFirmware618, bool first,
                                const QStringList &additionalFlags);
    // A serial capture that the tool ends by itself one second after `period`.
    static QStringList serialCapture(const QHostAddress &ip, bool timestamped, const QTime &period,
                                     const QStringList &additionalFlags);
    // The two-minute message log; it takes no additional flags.
    static QStringList messageLog(const QHostAddress &ip);

    // "-qs" with seconds, or "-qm" with whole minutes beyond one hour.
    static QString quitPeriod(const QTime &period);
    // The user's extra flags, split at every blank with empty pieces kept.
    static QStringList splitAdditionalFlags(const QString &text);
    // The debug line of a run: prefix, then ("arg", "arg", ...).
    static QString logLine(const QString &prefix, const QStringList &arguments);
};

#endif // KOVDEBUGARGUMENTS_H
