#ifndef TRANSFERFILE_H
#define TRANSFERFILE_H

#include <QString>

// One file listed in the file transfer window and where its sending stands.
struct TransferFile
{
    enum Status { Ready, Sending, InProgress, Sent, Failed };

    QString localPath;      // forward slashes, as the transfer reports name it
    Status status = Ready;
    float percent = 0.0f;   // of InProgress; 100 means the device writes it to flash
    bool awaitingLogin = false;  // refused the password in the running send

    // Sent or failed: no report of the running send changes it any more.
    bool isFinal() const { return status == Sent || status == Failed; }
    QString statusText() const;
};

#endif // TRANSFERFILE_H
