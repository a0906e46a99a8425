#include "transferfile.h"

QString TransferFile::statusText() const
{
    switch (status) {
    case Ready:
        return QStringLiteral("Ready");
    case Sending:
        return QStringLiteral("Sending...");
    case InProgress:
        if (percent == 100.0f)
            return QStringLiteral("Writing to flash");
        return QString::number(double(percent), 'f', 1) + QLatin1Char('%');
    case Sent:
        return QStringLiteral("Sent");
    case Failed:
        return QStringLiteral("Error");
    }
    return QString();
}
