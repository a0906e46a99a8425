#ifndef WORKINGDIRECTORY_H
#define WORKINGDIRECTORY_H

#include <QString>

// Creates the directory with its missing parents. On failure it logs a warning
// and, in a widget application, shows a warning box that does not wait for the
// user, so nothing blocks behind it (a headless test included).
bool ensureWorkingDirectory(const QString &path);

#endif // WORKINGDIRECTORY_H
