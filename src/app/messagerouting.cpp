#include "messagerouting.h"

#include "axdebugmessagehandler.h"

#include <QFile>
#include <QLoggingCategory>
#include <QPointer>
#include <QRecursiveMutex>
#include <QThread>

#include <memory>
#include <vector>

namespace {

// The sinks are shared with capture and network threads, which log from their own
// threads: everything here is taken under one lock.
struct MessageSinks
{
    ~MessageSinks()
    {
        // A message during static destruction must not reach a file being destroyed.
        if (installed)
            qInstallMessageHandler(previousHandler);
    }

    QRecursiveMutex mutex;
    bool installed = false;
    QtMessageHandler previousHandler = nullptr;
    QPointer<AxDebugMessageHandler> debugWindow;
    std::vector<std::unique_ptr<AxDebugMessageHandler>> debugWindows;
    std::unique_ptr<QFile> logFile;
};

MessageSinks &sinks()
{
    static MessageSinks instance;
    return instance;
}

void debugWindowMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    QMutexLocker lock(&sinks().mutex);
    AxDebugMessageHandler *window = sinks().debugWindow;
    if (!window)
        return;
    // Widgets belong to the GUI thread: messages of other threads are handed over.
    if (QThread::currentThread() != window->thread()) {
        QMetaObject::invokeMethod(window, [window, type, text] { window->message(type, text); },
                                  Qt::QueuedConnection);
        return;
    }
    lock.unlock();
    window->message(type, text);
}

void logFileMessageHandler(QtMsgType, const QMessageLogContext &, const QString &text)
{
    const QByteArray line = logLine(QDateTime::currentDateTime(), text).toUtf8();
    QMutexLocker lock(&sinks().mutex);
    QFile *file = sinks().logFile.get();
    if (!file || !file->isOpen())
        return;
    file->write(line);
    file->flush();
}

const char *const kDebugOff = "default.debug=false";

void install(QtMessageHandler handler)
{
    QLoggingCategory::setFilterRules(QString());
    QMutexLocker lock(&sinks().mutex);
    const QtMessageHandler previous = qInstallMessageHandler(handler);
    if (!sinks().installed) {
        sinks().previousHandler = previous;
        sinks().installed = true;
    }
}

} // namespace

void keepDebugMessagesOffTheConsole()
{
    QLoggingCategory::setFilterRules(QString::fromLatin1(kDebugOff));
}

AxDebugMessageHandler *openDebugWindow()
{
    auto window = std::make_unique<AxDebugMessageHandler>();
    AxDebugMessageHandler *shown = window.get();
    {
        QMutexLocker lock(&sinks().mutex);
        sinks().debugWindows.push_back(std::move(window));
        sinks().debugWindow = shown;
    }
    install(debugWindowMessageHandler);
    shown->show();
    return shown;
}

bool openLogFile(const QString &fileName)
{
    auto file = std::make_unique<QFile>(fileName);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qWarning().noquote() << "Cannot open the log file" << fileName << ":" << file->errorString();
        return false;
    }
    {
        QMutexLocker lock(&sinks().mutex);
        sinks().logFile = std::move(file);
    }
    install(logFileMessageHandler);
    return true;
}

void closeMessageSinks()
{
    std::vector<std::unique_ptr<AxDebugMessageHandler>> windows;
    {
        QMutexLocker lock(&sinks().mutex);
        if (sinks().installed)
            qInstallMessageHandler(sinks().previousHandler);
        sinks().installed = false;
        sinks().previousHandler = nullptr;
        sinks().debugWindow = nullptr;
        windows.swap(sinks().debugWindows);
        sinks().logFile.reset();
    }
    windows.clear();
}

QString logFileName(const QDateTime &start)
{
    return QStringLiteral("./Debug_log_") + start.toString(QStringLiteral("hh.mm.dd.MM.yy")) + QStringLiteral(".txt");
}

QString logLine(const QDateTime &time, const QString &message)
{
    return time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")) + QStringLiteral(": ") + message + QLatin1Char('\n');
}
