#ifndef STANDARDFILELIST_H
#define STANDARDFILELIST_H

#include <QString>
#include <QStringList>

// The device files the diagnostics fetch when the device cannot list its own.
class StandardFileList
{
public:
    // The fixed device files, then the model's boot or firmware file (which may be empty).
    static QStringList fullList(const QString &devicePlatform, const QString &firmwareFileName);
    static QStringList shortList();
};

#endif // STANDARDFILELIST_H
