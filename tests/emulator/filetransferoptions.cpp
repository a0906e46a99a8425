#include "filetransferoptions.h"

namespace {

bool positive(const QString &text, qint64 *value)
{
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok && *value > 0;
}

} // namespace

bool FileTransferOptions::take(const QStringList &arguments, QStringList *rest, QString *error)
{
    rest->clear();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        QString name = argument;
        QString value;
        const bool glued = argument.contains(QLatin1Char('='));
        if (glued) {
            name = argument.section(QLatin1Char('='), 0, 0);
            value = argument.section(QLatin1Char('='), 1);
        }
        static const QStringList ours = {"--device-files", "--disk-capacity", "--file-password",
                                         "--drop-file-answer", "--corrupt-file-segment", "--endless-file"};
        if (i == 0 || !ours.contains(name)) {
            rest->append(argument);
            continue;
        }
        if (!glued) {
            if (i + 1 >= arguments.size()) {
                *error = name + QStringLiteral(" wants a value");
                return false;
            }
            value = arguments.at(++i);
        }

        qint64 number = 0;
        if (name == QLatin1String("--device-files")) {
            filesFolder = value;
        } else if (name == QLatin1String("--file-password")) {
            password = value;
        } else if (name == QLatin1String("--endless-file")) {
            endlessFile = value;
        } else if (!positive(value, &number)) {
            *error = name + QStringLiteral(" wants a positive number");
            return false;
        } else if (name == QLatin1String("--disk-capacity")) {
            diskCapacity = number;
        } else if (name == QLatin1String("--drop-file-answer")) {
            dropSegmentAnswer = int(qMin<qint64>(number, 1 << 30));
        } else {
            corruptSegment = int(qMin<qint64>(number, 1 << 30));
        }
    }
    return true;
}
