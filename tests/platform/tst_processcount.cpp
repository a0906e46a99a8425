#include "platform/processcount.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

// Real processes under chosen executable names: copies of sleep.
class tst_ProcessCount : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void countsEveryRunningCopy();
    void searchesOnlyTheFirst22Characters();
    void comparesCaseSensitively();
    void countsTheCallingProcess();
    void endedProcessNoLongerMatches();

private:
    QString executableNamed(const QString &name);
    QProcess *startSleeping(const QString &program);

    QTemporaryDir m_dir;
    QString m_sleep;
    QString m_unique;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

void tst_ProcessCount::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
    QVERIFY2(!m_sleep.isEmpty(), "sleep is not installed");
    // Tests run in parallel: every name carries this process's id.
    m_unique = QString::number(QCoreApplication::applicationPid());
}

void tst_ProcessCount::cleanup()
{
    for (auto &process : m_processes) {
        process->kill();
        process->waitForFinished();
    }
    m_processes.clear();
}

QString tst_ProcessCount::executableNamed(const QString &name)
{
    const QString path = m_dir.filePath(name);
    if (!QFileInfo::exists(path) && !QFile::copy(m_sleep, path))
        return QString();
    return path;
}

QProcess *tst_ProcessCount::startSleeping(const QString &program)
{
    m_processes.push_back(std::make_unique<QProcess>());
    QProcess *process = m_processes.back().get();
    process->start(program, {QStringLiteral("30")});
    return process->waitForStarted() ? process : nullptr;
}

void tst_ProcessCount::countsEveryRunningCopy()
{
    const QByteArray name = "axprobe" + m_unique.toLatin1();
    const QString program = executableNamed(QString::fromLatin1(name) + "-copy");
    QVERIFY(!program.isEmpty());
    QCOMPARE(countProcessesNamed(name), 0);
    QVERIFY(startSleeping(program));
    QCOMPARE(countProcessesNamed(name), 1);
    QVERIFY(startSleeping(program));
    QCOMPARE(countProcessesNamed(name), 2);
}

void tst_ProcessCount::searchesOnlyTheFirst22Characters()
{
    // 22 characters of head, then a tail that lies outside the searched window.
    const QString head = QStringLiteral("w%1").arg(m_unique).leftJustified(22, QLatin1Char('x'));
    QCOMPARE(head.size(), 22);
    const QString program = executableNamed(head + "Tail");
    QVERIFY(!program.isEmpty());
    QProcess *process = startSleeping(program);
    QVERIFY(process);
    const qint64 id = process->processId();
    QVERIFY(processHasName(id, head.toLatin1()));
    QVERIFY(processHasName(id, head.right(5).toLatin1()));
    QVERIFY(!processHasName(id, "Tail"));
    QVERIFY(!processHasName(id, head.right(2).toLatin1() + "T"));
}

void tst_ProcessCount::comparesCaseSensitively()
{
    const QByteArray name = "caseprobe" + m_unique.toLatin1();
    const QString program = executableNamed(QString::fromLatin1(name));
    QVERIFY(!program.isEmpty());
    QProcess *process = startSleeping(program);
    QVERIFY(process);
    QVERIFY(processHasName(process->processId(), name));
    QVERIFY(!processHasName(process->processId(), name.toUpper()));
}

void tst_ProcessCount::countsTheCallingProcess()
{
    const QByteArray ownName = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLatin1();
    QVERIFY(processHasName(QCoreApplication::applicationPid(), ownName));
    QCOMPARE(countProcessesNamed(ownName + "\x01"), 0);
    QVERIFY(countProcessesNamed(ownName) >= 1);
}

void tst_ProcessCount::endedProcessNoLongerMatches()
{
    const QByteArray name = "gone" + m_unique.toLatin1();
    const QString program = executableNamed(QString::fromLatin1(name));
    QVERIFY(!program.isEmpty());
    QProcess *process = startSleeping(program);
    QVERIFY(process);
    const qint64 id = process->processId();
    QVERIFY(processHasName(id, name));
    process->kill();
    QVERIFY(process->waitForFinished());
    QVERIFY(!processHasName(id, name));
    QCOMPARE(countProcessesNamed(name), 0);
}

QTEST_GUILESS_MAIN(tst_ProcessCount)
#include "tst_processcount.moc"
