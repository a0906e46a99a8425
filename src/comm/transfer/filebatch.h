#ifndef FILEBATCH_H
#define FILEBATCH_H

#include "comm/transfer/filenamepair.h"
#include "model/ardentixdevice.h"

#include <QList>

// One send request: its files in order and the device they go to. A request
// that arrives while another runs waits as one of these.
struct FileBatch
{
    QList<FileNamePair> files;
    ArdentixDevice device;
};

#endif // FILEBATCH_H
