#ifndef OPENINBROWSER_H
#define OPENINBROWSER_H

#include <QString>

struct CONFIG_SETTINGS;

// Opens a web address: with the profile's default-browser switch on, or no
// browser program named, through the desktop's default handler; otherwise by
// starting the named browser detached with the address as its one argument.
// A failed start is not reported to the user, only logged.
void openInBrowser(const QString &address, const CONFIG_SETTINGS &profile);

#endif // OPENINBROWSER_H
