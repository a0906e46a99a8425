#ifndef TRANSFERTOOL_H
#define TRANSFERTOOL_H

#include <QString>

// The program to start for an external transfer tool named by its Windows path
// ("./bin/curl.exe", "./bin/kovnet.exe"). On Windows that path as it stands.
// Elsewhere the same path without ".exe" when such a program is deployed there,
// else, for curl, the system's curl; the result is absolute, so a process with
// another working directory still finds it. Empty when no such program exists.
QString transferToolProgram(const QString &windowsPath);

#endif // TRANSFERTOOL_H
