#ifndef EMULATORPROCESS_H
#define EMULATORPROCESS_H

#include "netnspair.h"

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The gateway emulator running in one side of a NetnsPair. Its output lines
// are collected while the caller's event loop runs; the process is killed
// and waited for on destruction.
class EmulatorProcess
{
public:
    EmulatorProcess() = default;
    ~EmulatorProcess();

    EmulatorProcess(const EmulatorProcess &) = delete;
    EmulatorProcess &operator=(const EmulatorProcess &) = delete;

    // Starts the emulator on the side's veth end and waits for its READY line.
    bool start(const NetnsPair &pair, NetnsPair::Side side, const QString &program,
               const QStringList &arguments, QString *error, int timeoutMs = 15000);
    // The same on another interface of the side's namespace.
    bool start(const NetnsPair &pair, NetnsPair::Side side, const QString &interfaceName, const QString &program,
               const QStringList &arguments, QString *error, int timeoutMs = 15000);
    void stop();

    QStringList lines() const;
    // The first collected line that matches, or a null text.
    QString findLine(const QRegularExpression &pattern) const;
    int countLines(const QRegularExpression &pattern) const;

private:
    void collect();

    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
    bool m_connected = false;
};

#endif // EMULATORPROCESS_H
