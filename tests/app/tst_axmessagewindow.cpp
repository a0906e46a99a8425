#include "app/axmessagewindow.h"
#include "app/messagewindowlimit.h"

#include <QApplication>
#include <QProcess>
#include <QTextEdit>
#include <QThread>
#include <QtTest>

namespace {

const char *const kChildSwitch = "AX_MESSAGE_WINDOW_CHILD";

// Started as a child of the test: a message before the application, then a fatal one.
int runFatalChild(int argc, char *argv[])
{
    qInstallMessageHandler(axMessageWindowHandler);
    qWarning("before the application");
    QApplication app(argc, argv);
    qFatal("broken beyond repair");
    return 0;
}

QList<AXMessageWindow *> messageWindows()
{
    QList<AXMessageWindow *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<AXMessageWindow *>(widget))
            windows << window;
    return windows;
}

// The paragraphs shown, without the offscreen platform's own remarks on showing a window.
QStringList shownLines()
{
    const QList<AXMessageWindow *> windows = messageWindows();
    if (windows.size() != 1)
        return {};
    QStringList lines = windows.first()->findChild<QTextEdit *>("textEdit")->toPlainText().split('\n');
    lines.removeIf([](const QString &line) { return line.contains("propagateSizeHints"); });
    return lines;
}

} // namespace

// The message window installed as the process's message handler.
class tst_AXMessageWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_previous = qInstallMessageHandler(axMessageWindowHandler); }
    void cleanup() { qInstallMessageHandler(m_previous); }

    void firstMessageOpensTheWindowWithEachLevel();
    void workerThreadMessageReachesTheWindow();
    void oldestLinesGoBeyondTheLimit();
    void fatalMessagePrintsAndEndsTheProcess();

private:
    QtMessageHandler m_previous = nullptr;
};

void tst_AXMessageWindow::firstMessageOpensTheWindowWithEachLevel()
{
    QVERIFY(messageWindows().isEmpty());
    qDebug("y");
    QTRY_COMPARE(messageWindows().size(), 1);
    AXMessageWindow *window = messageWindows().first();
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("AX Message Window"));

    qCritical("x");
    qWarning("w");
    qInfo("i");
    qDebug("<img src=x><b>Boiler</b>  &amp;");
    QTRY_COMPARE(shownLines(), (QStringList{"> y", "CRITICAL--> x", "WARNING--> w", "UNKNOWN--> i",
                                            "> <img src=x><b>Boiler</b>  &amp;"}));
    QCOMPARE(messageWindows().size(), 1);
}

void tst_AXMessageWindow::workerThreadMessageReachesTheWindow()
{
    std::unique_ptr<QThread> worker(QThread::create([] { qWarning("from the capture thread"); }));
    worker->start();
    QVERIFY(worker->wait(5000));
    QTRY_COMPARE(shownLines().value(5), QStringLiteral("WARNING--> from the capture thread"));
    QCOMPARE(messageWindows().size(), 1);
}

void tst_AXMessageWindow::oldestLinesGoBeyondTheLimit()
{
    AXMessageWindow window;
    const int total = MessageWindowLineLimit + 5;
    for (int i = 0; i < total; ++i)
        window.messageOutput(QtDebugMsg, QString::number(i));
    const QStringList lines = window.findChild<QTextEdit *>("textEdit")->toPlainText().split('\n');
    QCOMPARE(lines.size(), MessageWindowLineLimit);
    QCOMPARE(lines.first(), QStringLiteral("> 5"));
    QCOMPARE(lines.last(), QStringLiteral("> %1").arg(total - 1));
}

void tst_AXMessageWindow::fatalMessagePrintsAndEndsTheProcess()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kChildSwitch, "1");
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(15000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 1);
    QCOMPARE(child.readAllStandardOutput(), QByteArray("FATAL: broken beyond repair\n"));
    QVERIFY(child.readAllStandardError().contains("WARNING--> before the application\n"));
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(kChildSwitch))
        return runFatalChild(argc, argv);
    QApplication app(argc, argv);
    tst_AXMessageWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_axmessagewindow.moc"
