#ifndef FILENAMEPAIR_H
#define FILENAMEPAIR_H

#include <QString>

// One queued file of a transfer: where it lies on the PC and its name on the device.
struct FileNamePair
{
    QString localPath;
    QString remoteName;
};

#endif // FILENAMEPAIR_H
