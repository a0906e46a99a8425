// The run folder: its name, a folder left by an earlier run in the same minute,
// a folder that can't be made, and the renaming of the fetched program files.
#include "ui/device/diagnostics/diagnosticfolder.h"

#include "testsandbox.h"

#include <QtTest>

class tst_DiagnosticFolder : public QObject
{
    Q_OBJECT

private slots:
    void namedAfterTheStartMinute();
    void neverReusesAnEarlierRunsFolder();
    void reportsAFolderThatCannotBeMade();
    void renamesEveryOccurrenceInAnyCase();
    void keepsAFileWhoseNewNameIsTaken();

private:
    const QDateTime start{QDate(2024, 3, 5), QTime(14, 7, 42)};
};

void tst_DiagnosticFolder::namedAfterTheStartMinute()
{
    TestSandbox sandbox;
    QCOMPARE(DiagnosticFolder::pathFor(sandbox.path(), start),
             sandbox.path() + "/Diagnostic_2024-03-05_14-07");
    // Without a working folder the run goes to the root of the current drive.
    QCOMPARE(DiagnosticFolder::pathFor(sandbox.filePath("missing"), start),
             QStringLiteral("/Diagnostic_2024-03-05_14-07"));
}

void tst_DiagnosticFolder::neverReusesAnEarlierRunsFolder()
{
    TestSandbox sandbox;
    QString failed;
    const QString first = DiagnosticFolder::create(sandbox.path(), start, &failed);
    QCOMPARE(first, sandbox.path() + "/Diagnostic_2024-03-05_14-07");
    QVERIFY(QFileInfo(first).isDir());
    const QString second = DiagnosticFolder::create(sandbox.path(), start.addSecs(10), &failed);
    QCOMPARE(second, first + "_2");
    // A file in the way counts as taken too.
    QFile blocker(first + "_3");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QCOMPARE(DiagnosticFolder::create(sandbox.path(), start, &failed), first + "_4");
    QVERIFY(failed.isEmpty());
}

void tst_DiagnosticFolder::reportsAFolderThatCannotBeMade()
{
    // Not even root may make folders in /proc.
    QString failed;
    QVERIFY(DiagnosticFolder::create(QStringLiteral("/proc"), start, &failed).isEmpty());
    QCOMPARE(failed, QStringLiteral("/proc/Diagnostic_2024-03-05_14-07"));
}

void tst_DiagnosticFolder::renamesEveryOccurrenceInAnyCase()
{
    TestSandbox sandbox;
    for (const char *name : {"run.bat", "SETUP.BAT", "a.bat.bat", "keep.txt"}) {
        QFile file(sandbox.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    DiagnosticFolder::replaceInFileNames(sandbox.path(), {"run.bat", "SETUP.BAT", "a.bat.bat"},
                                         QStringLiteral(".bat"), QStringLiteral(".b__"));
    QCOMPARE(QDir(sandbox.path()).entryList(QDir::Files, QDir::Name),
             QStringList({"SETUP.b__", "a.b__.b__", "keep.txt", "run.b__"}));
}

void tst_DiagnosticFolder::keepsAFileWhoseNewNameIsTaken()
{
    TestSandbox sandbox;
    for (const char *name : {"x.exe", "x.e__"}) {
        QFile file(sandbox.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(name);
    }
    DiagnosticFolder::replaceInFileNames(sandbox.path(), {"x.exe"}, QStringLiteral(".exe"),
                                         QStringLiteral(".e__"));
    QFile taken(sandbox.filePath("x.e__"));
    QVERIFY(taken.open(QIODevice::ReadOnly));
    QCOMPARE(taken.readAll(), QByteArray("x.e__"));
    QVERIFY(QFile::exists(sandbox.filePath("x.exe")));
}

QTEST_GUILESS_MAIN(tst_DiagnosticFolder)
#include "tst_diagnosticfolder.moc"
