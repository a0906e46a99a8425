#include "devicedirectorylisting.h"

#include <cstddef>
#include <cstdint>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char(':'));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);
    return 0;
}

// A device's "dirlist.txt": every name read from it becomes a file of the
// diagnostics folder, so it must be a plain file name.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const DeviceDirectoryListing listing(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    for (const QStringList &names : {listing.fullFileList(), listing.shortFileList()}) {
        for (const QString &name : names) {
            if (!isPlainFileName(name))
                __builtin_trap();
        }
    }
    return 0;
}
