#ifndef HTMLPAGE_H
#define HTMLPAGE_H

#include <QString>

// A page kept beside the program, read whole as Latin-1 up to its first NUL byte.
// A missing or unreadable file gives an empty page.
QString readHtmlPage(const QString &path);

#endif // HTMLPAGE_H
