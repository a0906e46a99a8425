#include "kovdebugarguments.h"

namespace {

const int kMessageLogSeconds = 121;

QString ipArgument(const QHostAddress &ip)
{
    return QStringLiteral("-i") + ip.toString();
}

} // namespace

QStringList KovdebugArguments::snapshot(const QHostAddress &ip, bool coreFirmware618, bool first,
                                        const QStringList &additionalFlags)
{
    QStringList arguments{ipArgument(ip)};
    if (coreFirmware618)
        arguments << (first ? QStringLiteral("-d14578") : QStringLiteral("-d1458"));
    else
        arguments << QStringLiteral("-d14");
    arguments << QStringLiteral("-qs0") << additionalFlags;
    return arguments;
}

QStringList KovdebugArguments::serialCapture(const QHostAddress &ip, bool timestamped,
                                             const QTime &period, const QStringList &additionalFlags)
{
    QStringList arguments{ipArgument(ip), QStringLiteral("-d19")};
    arguments << (timestamped
                      ? QStringLiteral("-zR1[t]R2[t]P1[t]P2[t]P3[t]P4[t]P5[t]P6[t]P7[t]P8[t]S1[t]DH+[t]")
                      : QStringLiteral("-zR1R2P1P2P3P4P5P6P7P8S1DH+"));
    arguments << quitPeriod(period) << additionalFlags;
    return arguments;
}

QStringList KovdebugArguments::messageLog(const QHostAddress &ip)
{
    return {ipArgument(ip), QStringLiteral("-d19"), QStringLiteral("-l3"),
            QStringLiteral("-qs") + QString::number(kMessageLogSeconds)};
}

// The tool gets one second more than the period. Counted in seconds rather than
// as a time of day, so the longest period does not wrap round to nothing.
QString KovdebugArguments::quitPeriod(const QTime &period)
{
    const int seconds = QTime(0, 0).secsTo(period) + 1;
    if (seconds > 3600)
        return QStringLiteral("-qm") + QString::number(seconds / 60);
    return QStringLiteral("-qs") + QString::number(seconds);
}

QStringList KovdebugArguments::splitAdditionalFlags(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::KeepEmptyParts);
}

QString KovdebugArguments::logLine(const QString &prefix, const QStringList &arguments)
{
    QStringList quoted;
    for (const QString &argument : arguments)
        quoted << QLatin1Char('"') + argument + QLatin1Char('"');
    return prefix + QLatin1Char('(') + quoted.join(QStringLiteral(", ")) + QLatin1Char(')');
}
