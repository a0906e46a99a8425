// The diagnostics tools as this platform runs them: the capture tool from the
// tools folder, and the archiver with the wildcard the Windows tool expands itself.
#include "platform/diagnostictools.h"

#include "testsandbox.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

class tst_DiagnosticTools : public QObject
{
    Q_OBJECT

private slots:
    void captureToolOnlyFromTheToolsFolder();
    void archiverMovesEveryFileIntoTheArchive();
    void patternMatchingNothingIsPassedOn();

private:
    static void writeFile(const QString &path, const QByteArray &contents);
};

void tst_DiagnosticTools::writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

void tst_DiagnosticTools::captureToolOnlyFromTheToolsFolder()
{
    TestSandbox sandbox;
    QVERIFY(captureToolProgram(sandbox.path()).isEmpty());
    QVERIFY(QFile::copy(AX_TESTS_SOURCE_DIR "/stubs/kovdebug", sandbox.filePath("kovdebug")));
    QCOMPARE(captureToolProgram(sandbox.path()), sandbox.filePath("kovdebug"));
}

void tst_DiagnosticTools::archiverMovesEveryFileIntoTheArchive()
{
    TestSandbox sandbox;
    QDir().mkpath(sandbox.filePath("run"));
    const QString folder = sandbox.filePath("run");
    writeFile(folder + "/a file.csv", "1");
    writeFile(folder + "/snapshot.log", "2");
    writeFile(folder + "/.hidden", "3");
    writeFile(folder + "/-rf", "4");

    const ArchiverCommand command = archiverCommand(sandbox.path(), {"-m", "run", "*"}, folder);
    QVERIFY(!command.program.isEmpty());
    QCOMPARE(command.arguments, QStringList({"-m", "run", "./-rf", "./.hidden", "./a file.csv", "./snapshot.log"}));

    QProcess zip;
    zip.setWorkingDirectory(folder);
    zip.start(command.program, command.arguments);
    QVERIFY(zip.waitForFinished(10000));
    QCOMPARE(zip.exitCode(), 0);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({"run.zip"}));

    QProcess list;
    list.start(QStringLiteral("unzip"), {"-Z1", folder + "/run.zip"});
    QVERIFY(list.waitForFinished(10000));
    QStringList entries = QString::fromLocal8Bit(list.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    entries.sort();
    QCOMPARE(entries, QStringList({"-rf", ".hidden", "a file.csv", "snapshot.log"}));
}

void tst_DiagnosticTools::patternMatchingNothingIsPassedOn()
{
    TestSandbox sandbox;
    const ArchiverCommand command = archiverCommand(sandbox.path(), {"-m", "run", "*"}, sandbox.path());
    QCOMPARE(command.arguments, QStringList({"-m", "run", "*"}));
}

QTEST_GUILESS_MAIN(tst_DiagnosticTools)
#include "tst_diagnostictools.moc"
