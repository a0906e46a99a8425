#include "processcount.h"

#include <QDir>

#include <climits>
#include <unistd.h>

namespace {

// Only this much of a base name is searched, as the original module-name test did.
const int kNameWindow = 22;

} // namespace

bool processHasName(qint64 processId, const QByteArray &name)
{
    const QByteArray link = "/proc/" + QByteArray::number(processId) + "/exe";
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.constData(), target, sizeof target);
    if (length <= 0)
        return false;
    const QByteArray path(target, int(length));
    const QByteArray baseName = path.mid(path.lastIndexOf('/') + 1);
    return baseName.left(kNameWindow).contains(name);
}

int countProcessesNamed(const QByteArray &name)
{
    int count = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isProcess = false;
        const qint64 processId = entry.toLongLong(&isProcess);
        if (isProcess && processId != 0 && processHasName(processId, name))
            ++count;
    }
    return count;
}
