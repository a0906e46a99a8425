#ifndef EMULATORLOG_H
#define EMULATORLOG_H

#include <QString>

// What the emulator saw and did, one line at a time on standard output,
// flushed at once: the tests read it while the emulator runs.
namespace EmulatorLog {
void line(const QString &text);
}

#endif // EMULATORLOG_H
