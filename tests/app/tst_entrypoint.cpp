#include "platform/processcount.h"

#include "testsandbox.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

#include <memory>

// The real program, started as a user would. Every start here shows the welcome
// window, which waits for the user: nothing is discovered and no frame is sent.
class tst_EntryPoint : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstInstanceRunsAndLogs();
    void secondInstanceEndsWithExitCodeOne();

private:
    std::unique_ptr<QProcess> startToolbox(const QStringList &arguments);
    bool waitUntilPastTheCount(const QProcess &toolbox) const;

    std::unique_ptr<TestSandbox> m_sandbox;
};

void tst_EntryPoint::init()
{
    if (countProcessesNamed("ArdentixToolbox") > 0)
        QSKIP("another Ardentix Toolbox is running on this machine; these tests need it to be the only one");
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
}

void tst_EntryPoint::cleanup()
{
    m_sandbox.reset();
}

std::unique_ptr<QProcess> tst_EntryPoint::startToolbox(const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", m_sandbox->settingsPath());
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(m_sandbox->path());
    process->start(QStringLiteral(AX_BINARY_DIR "/run/ArdentixToolbox"), arguments);
    return process;
}

// A start counts the running instances before it reads its options: once the log
// file of "-l" is there, the count is behind it.
bool tst_EntryPoint::waitUntilPastTheCount(const QProcess &toolbox) const
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && toolbox.state() == QProcess::Running) {
        if (!QDir(m_sandbox->path()).entryList({"Debug_log_*.txt"}, QDir::Files).isEmpty())
            return true;
        QTest::qWait(20);
    }
    return false;
}

void tst_EntryPoint::firstInstanceRunsAndLogs()
{
    std::unique_ptr<QProcess> toolbox = startToolbox({"-l", "-A", "-f"});
    QVERIFY2(toolbox->waitForStarted(), qPrintable(toolbox->errorString()));
    QVERIFY(waitUntilPastTheCount(*toolbox));
    // It waits at the welcome window.
    QVERIFY(!toolbox->waitForFinished(1000));
    QCOMPARE(toolbox->state(), QProcess::Running);

    const QStringList logs = QDir(m_sandbox->path()).entryList({"Debug_log_*.txt"}, QDir::Files);
    QCOMPARE(logs.size(), 1);
    QFile log(m_sandbox->filePath(logs.first()));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    const QRegularExpression stamped(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} : (.*)$)");
    QStringList messages;
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = stamped.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        messages << match.captured(1);
    }
    QCOMPARE(messages.mid(0, 2), (QStringList{"Advanced mode", "Engineering mode"}));

    toolbox->terminate();
    QVERIFY(toolbox->waitForFinished(10000));
}

void tst_EntryPoint::secondInstanceEndsWithExitCodeOne()
{
    std::unique_ptr<QProcess> first = startToolbox({"-l"});
    QVERIFY2(first->waitForStarted(), qPrintable(first->errorString()));
    QVERIFY(waitUntilPastTheCount(*first));

    // The second ends at once, before its welcome window shows, without a word.
    std::unique_ptr<QProcess> second = startToolbox({"-a"});
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 1);
    QCOMPARE(second->readAllStandardOutput(), QByteArray());

    // The first one goes on; once it has gone, a new start is a first one again.
    QCOMPARE(first->state(), QProcess::Running);
    first->terminate();
    QVERIFY(first->waitForFinished(10000));
    QCOMPARE(countProcessesNamed("ArdentixToolbox"), 0);
    std::unique_ptr<QProcess> again = startToolbox({});
    QVERIFY(again->waitForStarted());
    QVERIFY(!again->waitForFinished(1000));
    again->terminate();
    QVERIFY(again->waitForFinished(10000));
}

QTEST_GUILESS_MAIN(tst_EntryPoint)
#include "tst_entrypoint.moc"
