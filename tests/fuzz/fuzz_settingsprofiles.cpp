#include "model/configsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

// The settings file as anyone may have left it, read at start.
namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

QTemporaryDir *workDir = nullptr;

// Each run has a store of its own: QSettings keeps files it has read in a cache.
QString freshStorePath()
{
    static int run = 0;
    const QString path = workDir->filePath(QStringLiteral("store%1").arg(run++));
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, path);
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);
    workDir = new QTemporaryDir;
    qputenv("XDG_CONFIG_HOME", workDir->filePath(QStringLiteral("unused")).toLocal8Bit());
    QDir::setCurrent(workDir->path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString storePath = freshStorePath();
    const QString fileName = QSettings(QStringLiteral("Ardentix"), QStringLiteral("Toolbox")).fileName();
    QDir().mkpath(QFileInfo(fileName).path());
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    {
        ConfigSettings settings;
        // Every profile read stands on lines of its own in the file, whatever count it names.
        if (settings.profileNames().size() > 2 + int(size / 2))
            __builtin_trap();
        const CONFIG_SETTINGS active = settings.activeProfile();
        if (active.pingInterval < 10 || active.pingInterval > 10000
            || active.timeoutToLost < leastLostTimeout(active.pingInterval))
            __builtin_trap();
    }
    QDir(storePath).removeRecursively();
    return 0;
}
