#ifndef PROCESSCOUNT_H
#define PROCESSCOUNT_H

#include <QByteArray>
#include <QtGlobal>

// The single-instance test: how many running processes are this program.
// A process matches when the first 22 characters of its executable's base name
// contain the searched name (case-sensitive). Processes that can't be queried
// (another user's, a zombie) never match, and the calling process counts too.

bool processHasName(qint64 processId, const QByteArray &name);
int countProcessesNamed(const QByteArray &name);

#endif // PROCESSCOUNT_H
