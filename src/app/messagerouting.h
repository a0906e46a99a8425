#ifndef MESSAGEROUTING_H
#define MESSAGEROUTING_H

#include <QDateTime>
#include <QString>

class AxDebugMessageHandler;

// Where the process's diagnostic messages go: the output in force at start-up,
// the debug message window of "-d" or the log file of "-l". Whichever was chosen
// last receives every later message, from any thread.

// A normal start keeps debug messages off the console: they are only written
// once a debug message window or a log file asks for them (or the environment's
// QT_LOGGING_RULES does). Warnings and errors still reach the console.
void keepDebugMessagesOffTheConsole();

// A new debug message window, shown, receiving every later message.
AxDebugMessageHandler *openDebugWindow();

// Empties the file, opens it for appending and sends every later message to it.
// When the file can't be opened, says so and leaves the output as it was.
bool openLogFile(const QString &fileName);

// Gives the output back to what it was before, then closes the debug windows
// and the log file. Called before teardown, once no other thread logs.
void closeMessageSinks();

// "./Debug_log_hh.mm.dd.MM.yy.txt" for a start at the given time.
QString logFileName(const QDateTime &start);

// One line of the log file: time stamp, " : ", the message, line end.
QString logLine(const QDateTime &time, const QString &message);

#endif // MESSAGEROUTING_H
