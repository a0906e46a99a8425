#ifndef OPENINBROWSER_H
#define OPENINBROWSER_H

#include <QString>

class QUrl;
struct CONFIG_SETTINGS;

// Opens a web address: with the profile's default-browser switch on, or no
// browser program named, through the desktop's default handler; otherwise by
// starting the named browser detached with the address as its one argument.
// Returns false when nothing could be opened (logged; telling the user is the
// caller's choice). An address beginning with '-' is never handed to a browser
// program, which would take it for an option.
bool openInBrowser(const QUrl &url, const CONFIG_SETTINGS &profile);

// For callers that hold the address as text: the program gets that text as it stands.
bool openInBrowser(const QString &address, const CONFIG_SETTINGS &profile);

#endif // OPENINBROWSER_H
