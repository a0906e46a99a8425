#include "emulatorlog.h"

#include <cstdio>

namespace EmulatorLog {

void line(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace EmulatorLog
