#ifndef FILETRANSFEROPTIONS_H
#define FILETRANSFEROPTIONS_H

#include <QString>
#include <QStringList>

// The emulator's file-transfer options, taken out of the command line before
// the rest is parsed:
//   --device-files DIR         every gateway starts with the regular files of DIR
//   --disk-capacity BYTES      size of every gateway's file system (default 16 MiB)
//   --file-password TEXT       downloads into a gateway need this password
//   --drop-file-answer N       the N-th file segment (from 1) goes unanswered, once
//   --corrupt-file-segment N   the N-th file segment arrives damaged or, sent by the
//                              gateway, goes out with an impossible length, once
//   --endless-file NAME        fetched over HTTP, the file NAME never ends
class FileTransferOptions
{
public:
    // The arguments without the file-transfer options; false with a reason on a bad value.
    bool take(const QStringList &arguments, QStringList *rest, QString *error);

    QString filesFolder;
    qint64 diskCapacity = -1;
    QString password;
    QString endlessFile;
    int dropSegmentAnswer = 0;
    int corruptSegment = 0;
};

#endif // FILETRANSFEROPTIONS_H
