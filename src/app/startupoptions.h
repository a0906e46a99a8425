#ifndef STARTUPOPTIONS_H
#define STARTUPOPTIONS_H

#include "ui/runmode.h"

#include <QStringList>

// The run mode a start begins with: another running instance makes it a second one.
RUN_MODE instanceRunMode(int runningInstances);

// Reads the command-line options in order into the run mode: "-a", "-e" and "-f"
// set mode bits, "-d" opens the debug message window and "-l" the log file.
// Letter case is ignored; anything else is ignored without a word.
RUN_MODE readStartupOptions(const QStringList &arguments, RUN_MODE mode);

#endif // STARTUPOPTIONS_H
