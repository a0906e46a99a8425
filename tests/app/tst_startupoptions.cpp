#include "app/axdebugmessagehandler.h"
#include "app/messagerouting.h"
#include "app/messagewindowlimit.h"
#include "app/startupoptions.h"

#include "testsandbox.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

// Stands for the output in force before the options choose another one.
QStringList earlierOutput;

void captureEarlierOutput(QtMsgType, const QMessageLogContext &, const QString &text)
{
    earlierOutput << text;
}

} // namespace

class tst_StartupOptions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void modeBits_data();
    void modeBits();
    void instanceCountGivesSecondInstance();
    void optionMessagesReachTheOutputInForce();
    void debugWindowThenLogFile();
    void logFileThenDebugWindow();
    void repeatedDebugWindowFeedsOnlyTheNewest();
    void debugWindowShowsOnlyDebugMessages();
    void debugWindowKeepsTheNewestLines();
    void logLineAndFileName();
    void logFileTruncatesAnEarlierLog();
    void unopenableLogFileKeepsTheOutput();
    void threadsLogWholeLinesToTheFile();
    void threadsReachTheDebugWindowThroughTheGuiThread();
    void closingGivesTheOutputBack();

private:
    static QList<AxDebugMessageHandler *> debugWindows();
    static QStringList windowParagraphs(AxDebugMessageHandler *window);
    QStringList logFiles() const;
    QStringList logFileLines(const QString &name) const;

    std::unique_ptr<TestSandbox> m_sandbox;
};

void tst_StartupOptions::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
    earlierOutput.clear();
    qInstallMessageHandler(captureEarlierOutput);
}

void tst_StartupOptions::cleanup()
{
    closeMessageSinks();
    qInstallMessageHandler(nullptr);
    m_sandbox.reset();
}

QList<AxDebugMessageHandler *> tst_StartupOptions::debugWindows()
{
    QList<AxDebugMessageHandler *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<AxDebugMessageHandler *>(widget))
            windows << window;
    return windows;
}

QStringList tst_StartupOptions::windowParagraphs(AxDebugMessageHandler *window)
{
    const auto *text = window->findChild<QPlainTextEdit *>(QStringLiteral("plainTextEdit"));
    if (!text || text->toPlainText().isEmpty())
        return {};
    return text->toPlainText().split(QLatin1Char('\n'));
}

QStringList tst_StartupOptions::logFiles() const
{
    return QDir(m_sandbox->path()).entryList({QStringLiteral("Debug_log_*.txt")}, QDir::Files);
}

QStringList tst_StartupOptions::logFileLines(const QString &name) const
{
    QFile file(m_sandbox->filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<cannot open>")};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void tst_StartupOptions::modeBits_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("initial");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("none") << QStringList() << 0 << 0 << QStringList();
    QTest::newRow("advanced") << QStringList{"-a"} << 0 << 0x01 << QStringList{"Advanced mode"};
    QTest::newRow("advanced, upper case") << QStringList{"-A"} << 0 << 0x01 << QStringList{"Advanced mode"};
    QTest::newRow("engineering") << QStringList{"-e"} << 0 << 0x08 << QStringList{"Engineering mode"};
    QTest::newRow("forced ping says engineering") << QStringList{"-f"} << 0 << 0x10 << QStringList{"Engineering mode"};
    QTest::newRow("forced ping, upper case") << QStringList{"-F"} << 0 << 0x10 << QStringList{"Engineering mode"};
    QTest::newRow("advanced twice") << QStringList{"-a", "-a"} << 0 << 0x01
                                    << QStringList{"Advanced mode", "Advanced mode"};
    QTest::newRow("all three") << QStringList{"-f", "-a", "-e"} << 0 << 0x19
                               << QStringList{"Engineering mode", "Advanced mode", "Engineering mode"};
    QTest::newRow("unknown and file names") << QStringList{"-x", "devices.txt", "a", "--a", "-ae"} << 0 << 0
                                            << QStringList();
    QTest::newRow("second instance kept") << QStringList{"-a"} << 0x20 << 0x21 << QStringList{"Advanced mode"};
}

void tst_StartupOptions::modeBits()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, initial);
    QFETCH(int, expected);
    QFETCH(QStringList, messages);

    QCOMPARE(int(readStartupOptions(arguments, RUN_MODE(initial))), expected);
    QCOMPARE(earlierOutput, messages);
    QVERIFY(logFiles().isEmpty());
    QVERIFY(debugWindows().isEmpty());
}

void tst_StartupOptions::instanceCountGivesSecondInstance()
{
    QCOMPARE(int(instanceRunMode(0)), 0);
    QCOMPARE(int(instanceRunMode(1)), 0);
    QCOMPARE(int(instanceRunMode(2)), 0x20);
    QCOMPARE(int(instanceRunMode(7)), 0x20);
}

void tst_StartupOptions::optionMessagesReachTheOutputInForce()
{
    // "-a" before "-d": the message goes to the earlier output.
    QCOMPARE(int(readStartupOptions({"-a", "-d"}, RUN_MODE(0))), 0x01);
    QCOMPARE(earlierOutput, QStringList{"Advanced mode"});
    const QList<AxDebugMessageHandler *> windows = debugWindows();
    QCOMPARE(windows.size(), 1);
    QVERIFY(windows.first()->isVisible());
    QVERIFY(windowParagraphs(windows.first()).isEmpty());
    closeMessageSinks();
    earlierOutput.clear();

    // "-d" before "-a": the window shows it.
    qInstallMessageHandler(captureEarlierOutput);
    readStartupOptions({"-d", "-a"}, RUN_MODE(0));
    QCOMPARE(debugWindows().size(), 1);
    AxDebugMessageHandler *window = debugWindows().first();
    QCOMPARE(windowParagraphs(window), QStringList{"Advanced mode"});
    QVERIFY(earlierOutput.isEmpty());
}

void tst_StartupOptions::debugWindowThenLogFile()
{
    readStartupOptions({"-d", "-l"}, RUN_MODE(0));
    QCOMPARE(debugWindows().size(), 1);
    AxDebugMessageHandler *window = debugWindows().first();
    qDebug("after the options");
    QCOMPARE(windowParagraphs(window), QStringList{"Debug_logging mode"});
    const QStringList files = logFiles();
    QCOMPARE(files.size(), 1);
    const QStringList lines = logFileLines(files.first());
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().endsWith(" : after the options"), qPrintable(lines.first()));
    QVERIFY(earlierOutput.isEmpty());
}

void tst_StartupOptions::logFileThenDebugWindow()
{
    readStartupOptions({"-l", "-d"}, RUN_MODE(0));
    QCOMPARE(earlierOutput, QStringList{"Debug_logging mode"});
    qDebug("after the options");
    QCOMPARE(debugWindows().size(), 1);
    AxDebugMessageHandler *window = debugWindows().first();
    QCOMPARE(windowParagraphs(window), QStringList{"after the options"});
    const QStringList files = logFiles();
    QCOMPARE(files.size(), 1);
    QCOMPARE(QFileInfo(m_sandbox->filePath(files.first())).size(), 0);
}

void tst_StartupOptions::repeatedDebugWindowFeedsOnlyTheNewest()
{
    AxDebugMessageHandler *first = openDebugWindow();
    qDebug("one");
    AxDebugMessageHandler *second = openDebugWindow();
    qDebug("two");
    qDebug("three");
    QCOMPARE(windowParagraphs(first), QStringList{"one"});
    QCOMPARE(windowParagraphs(second), (QStringList{"two", "three"}));
}

void tst_StartupOptions::debugWindowShowsOnlyDebugMessages()
{
    AxDebugMessageHandler *window = openDebugWindow();
    qDebug("shown");
    qWarning("printed, not shown");
    qCritical("printed too");
    QCOMPARE(windowParagraphs(window), QStringList{"shown"});
}

void tst_StartupOptions::debugWindowKeepsTheNewestLines()
{
    AxDebugMessageHandler window;
    const int total = MessageWindowLineLimit + 5;
    for (int i = 0; i < total; ++i)
        window.message(QtDebugMsg, QString::number(i));
    const QStringList lines = windowParagraphs(&window);
    QCOMPARE(lines.size(), MessageWindowLineLimit);
    QCOMPARE(lines.first(), QStringLiteral("5"));
    QCOMPARE(lines.last(), QString::number(total - 1));
}

void tst_StartupOptions::logLineAndFileName()
{
    const QDateTime time(QDate(2024, 3, 5), QTime(14, 3, 7, 42));
    QCOMPARE(logLine(time, "Destroy Toolbox"), QStringLiteral("2024-03-05 14:03:07.042 : Destroy Toolbox\n"));
    QCOMPARE(logFileName(time), QStringLiteral("./Debug_log_14.03.05.03.24.txt"));
    const QDateTime evening(QDate(2031, 12, 31), QTime(23, 59, 0));
    QCOMPARE(logFileName(evening), QStringLiteral("./Debug_log_23.59.31.12.31.txt"));

    // Through the option: every type looks alike, one time-stamped line each.
    readStartupOptions({"-l"}, RUN_MODE(0));
    qDebug("a debug message");
    qWarning("a warning");
    qCritical("a critical message");
    const QStringList files = logFiles();
    QCOMPARE(files.size(), 1);
    QVERIFY2(QRegularExpression(R"(^Debug_log_\d\d\.\d\d\.\d\d\.\d\d\.\d\d\.txt$)").match(files.first()).hasMatch(),
             qPrintable(files.first()));
    const QStringList lines = logFileLines(files.first());
    QCOMPARE(lines.size(), 3);
    const QRegularExpression stamped(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} : (.*)$)");
    QStringList texts;
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = stamped.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        texts << match.captured(1);
    }
    QCOMPARE(texts, (QStringList{"a debug message", "a warning", "a critical message"}));
}

void tst_StartupOptions::logFileTruncatesAnEarlierLog()
{
    const QString name = m_sandbox->filePath("Debug_log_10.00.01.01.30.txt");
    QFile earlier(name);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("a line of an earlier start in the same minute\n");
    earlier.close();
    QVERIFY(openLogFile(name));
    QCOMPARE(QFileInfo(name).size(), 0);
    qDebug("fresh");
    QCOMPARE(logFileLines(QFileInfo(name).fileName()).size(), 1);
}

void tst_StartupOptions::unopenableLogFileKeepsTheOutput()
{
    QVERIFY(QDir(m_sandbox->path()).mkdir("occupied"));
    QVERIFY(!openLogFile(m_sandbox->filePath("occupied")));
    QCOMPARE(earlierOutput.size(), 1);
    QVERIFY2(earlierOutput.first().contains("Cannot open the log file"), qPrintable(earlierOutput.first()));
    qDebug("still here");
    QCOMPARE(earlierOutput.last(), QStringLiteral("still here"));
}

void tst_StartupOptions::threadsLogWholeLinesToTheFile()
{
    const QString name = m_sandbox->filePath("threads.txt");
    QVERIFY(openLogFile(name));
    const int threadCount = 8;
    const int perThread = 400;
    QList<QThread *> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads << QThread::create([t] {
            for (int i = 0; i < perThread; ++i)
                qDebug("thread %d message %d of a line long enough to be torn apart", t, i);
        });
    }
    for (QThread *thread : threads)
        thread->start();
    for (QThread *thread : threads) {
        QVERIFY(thread->wait(30000));
        delete thread;
    }
    const QStringList lines = logFileLines("threads.txt");
    QCOMPARE(lines.size(), threadCount * perThread);
    const QRegularExpression whole(
            R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} : thread \d message \d+ of a line long enough to be torn apart$)");
    for (const QString &line : lines)
        QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
}

void tst_StartupOptions::threadsReachTheDebugWindowThroughTheGuiThread()
{
    AxDebugMessageHandler *window = openDebugWindow();
    QThread *worker = QThread::create([] {
        for (int i = 0; i < 50; ++i)
            qDebug("from a capture thread %d", i);
    });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;
    QTRY_COMPARE(windowParagraphs(window).size(), 50);
    QCOMPARE(windowParagraphs(window).first(), QStringLiteral("from a capture thread 0"));
    QCOMPARE(windowParagraphs(window).last(), QStringLiteral("from a capture thread 49"));
}

void tst_StartupOptions::closingGivesTheOutputBack()
{
    readStartupOptions({"-d", "-l"}, RUN_MODE(0));
    closeMessageSinks();
    QVERIFY(debugWindows().isEmpty());
    qDebug("after teardown");
    QCOMPARE(earlierOutput, QStringList{"after teardown"});
    // The log file is closed: nothing more is written to it.
    const QStringList files = logFiles();
    QCOMPARE(files.size(), 1);
    QCOMPARE(QFileInfo(m_sandbox->filePath(files.first())).size(), 0);
}

QTEST_MAIN(tst_StartupOptions)
#include "tst_startupoptions.moc"
