#ifndef WORKINGDIRECTORY_H
#define WORKINGDIRECTORY_H

#include <QString>

// Creates the directory with its missing parents. A failure is logged and
// returned; telling the user is the caller's part.
bool ensureWorkingDirectory(const QString &path);

#endif // WORKINGDIRECTORY_H
