#ifndef FILEEXPLORER_H
#define FILEEXPLORER_H

#include <QString>

// Opens a folder in the platform's file browser ("explorer" on Windows, the
// desktop's handler through xdg-open elsewhere), detached. False when the
// browser could not be started.
bool openInFileExplorer(const QString &folder);

#endif // FILEEXPLORER_H
