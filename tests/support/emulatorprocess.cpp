#include "emulatorprocess.h"

#include <QDeadlineTimer>

EmulatorProcess::~EmulatorProcess()
{
    stop();
}

bool EmulatorProcess::start(const NetnsPair &pair, NetnsPair::Side side, const QString &program,
                            const QStringList &arguments, QString *error, int timeoutMs)
{
    return start(pair, side, pair.interfaceName(side), program, arguments, error, timeoutMs);
}

bool EmulatorProcess::start(const NetnsPair &pair, NetnsPair::Side side, const QString &interfaceName,
                            const QString &program, const QStringList &arguments, QString *error, int timeoutMs)
{
    if (!m_connected) {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] { collect(); });
        m_connected = true;
    }
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(pair.execProgram(), pair.execArguments(side, program,
                                                           QStringList{"--interface", interfaceName}
                                                               + arguments));
    if (!m_process.waitForStarted(timeoutMs)) {
        *error = "the emulator did not start: " + m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    const QRegularExpression ready("^READY");
    while (findLine(ready).isNull()) {
        if (deadline.hasExpired() || m_process.state() != QProcess::Running) {
            *error = "the emulator did not get ready: " + QString::fromLocal8Bit(m_process.readAllStandardError());
            stop();
            return false;
        }
        m_process.waitForReadyRead(100);
        collect();
    }
    return true;
}

void EmulatorProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

QStringList EmulatorProcess::lines() const
{
    return m_lines;
}

QString EmulatorProcess::findLine(const QRegularExpression &pattern) const
{
    for (const QString &line : m_lines) {
        if (pattern.match(line).hasMatch())
            return line;
    }
    return QString();
}

int EmulatorProcess::countLines(const QRegularExpression &pattern) const
{
    int count = 0;
    for (const QString &line : m_lines) {
        if (pattern.match(line).hasMatch())
            ++count;
    }
    return count;
}

void EmulatorProcess::collect()
{
    m_partial += m_process.readAllStandardOutput();
    int end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        m_lines.append(QString::fromLocal8Bit(m_partial.left(end)));
        m_partial.remove(0, end + 1);
    }
}
