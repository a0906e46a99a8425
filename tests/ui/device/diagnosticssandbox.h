#ifndef DIAGNOSTICSSANDBOX_H
#define DIAGNOSTICSSANDBOX_H

#include "model/axsignalobject.h"
#include "model/configsettings.h"
#include "testsandbox.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <optional>

#include <signal.h>

// A device to diagnose: at side B's address, reachable over IP.
inline ArdentixDevice diagnosedDevice(const QString &title, const QString &mac)
{
    ArdentixDevice device;
    device.configTitle = title;
    device.ipAddress = QHostAddress(QStringLiteral("10.77.0.2"));
    device.setMacString(mac);
    device.ipConnectivity = true;
    return device;
}

// A working folder, a tools folder with the stand-in capture tool, the KOVNET
// stand-in where the file fetcher looks for it, the stand-in file browser on
// the PATH, and a root bus carrying the settings profile; in a sandbox of its
// own or in the one given (a test bed's).
class DiagnosticsSandbox
{
    std::optional<TestSandbox> own;

public:
    TestSandbox &sandbox;
    CONFIG_SETTINGS config;
    AxSignalObject root;

    explicit DiagnosticsSandbox(TestSandbox *shared = nullptr)
        : sandbox(shared ? *shared : own.emplace())
    {
        QDir(sandbox.path()).mkpath(QStringLiteral("work"));
        QDir(sandbox.path()).mkpath(QStringLiteral("tools"));
        QDir(sandbox.path()).mkpath(QStringLiteral("bin"));
        QFile::copy(AX_TESTS_SOURCE_DIR "/stubs/kovdebug", sandbox.filePath("tools/kovdebug"));
        QFile::copy(AX_TESTS_SOURCE_DIR "/stubs/kovnet", sandbox.filePath("bin/kovnet"));
        config.workingPath = sandbox.filePath("work");
        config.toolsPath = sandbox.filePath("tools");
        config.pingInterval = 40;
        root.settings = &config;
        for (const char *name : {"KOVDEBUG_STUB_EXIT", "KOVDEBUG_STUB_HANG", "KOVDEBUG_STUB_SILENT", "KOVNET_STUB_FILES"})
            qunsetenv(name);
        qputenv("KOVDEBUG_STUB_LOG", sandbox.filePath("kovdebug-calls.txt").toLocal8Bit());
        qputenv("KOVDEBUG_STUB_PIDS", sandbox.filePath("kovdebug-pids.txt").toLocal8Bit());
        qputenv("KOVNET_STUB_LOG", sandbox.filePath("kovnet-calls.txt").toLocal8Bit());
        qputenv("EXPLORER_STUB_LOG", sandbox.filePath("explorer-calls.txt").toLocal8Bit());
        if (!qEnvironmentVariable("PATH").startsWith(QLatin1String(AX_TESTS_SOURCE_DIR)))
            qputenv("PATH", AX_TESTS_SOURCE_DIR "/stubs/explorer:" + qgetenv("PATH"));
    }

    // Each run of a stand-in tool: its lines up to "--".
    QList<QStringList> calls(const char *log) const
    {
        QFile file(sandbox.filePath(QString::fromLatin1(log)));
        QList<QStringList> runs{{}};
        if (file.open(QIODevice::ReadOnly)) {
            for (const QString &line : QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'))) {
                if (line == QLatin1String("--"))
                    runs.append(QStringList());
                else if (!line.isEmpty() || !runs.last().isEmpty())
                    runs.last().append(line);
            }
        }
        runs.removeLast();
        return runs;
    }

    // The capture tool's runs without their working directory.
    QList<QStringList> captureArguments() const
    {
        QList<QStringList> runs = calls("kovdebug-calls.txt");
        for (QStringList &run : runs)
            run.removeFirst();
        return runs;
    }

    QList<qint64> capturePids() const
    {
        QFile file(sandbox.filePath("kovdebug-pids.txt"));
        QList<qint64> pids;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n')) {
                if (!line.isEmpty())
                    pids << line.toLongLong();
            }
        }
        return pids;
    }

    static bool processAlive(qint64 pid) { return ::kill(pid_t(pid), 0) == 0 && !isZombie(pid); }

    QStringList runFolders() const
    {
        return QDir(config.workingPath).entryList({"Diagnostic_*"}, QDir::Dirs, QDir::Name);
    }

    static QStringList archiveEntries(const QString &archive)
    {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), archive});
        unzip.waitForFinished(10000);
        QStringList entries = QString::fromLocal8Bit(unzip.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        entries.sort();
        return entries;
    }

private:
    static bool isZombie(qint64 pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
    }
};

#endif // DIAGNOSTICSSANDBOX_H
