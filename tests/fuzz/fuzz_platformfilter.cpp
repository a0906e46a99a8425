#include "model/platformfilter.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);
    return 0;
}

// A "filter.ini" as the user or anyone else left it, read and applied.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("filter.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    const QStringList parts = readPlatformFilter(path);
    if (parts.isEmpty())
        __builtin_trap();   // no filter at all is one empty part
    const PlatformNameMatcher matcher(parts);
    for (const QString &part : parts) {
        if (!matcher.matches(QStringLiteral("AXT ") + part + QStringLiteral(" 300")))
            __builtin_trap();   // a name holding a part always matches
    }
    matcher.matches(QString());
    return 0;
}
