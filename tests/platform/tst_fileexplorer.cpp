// Opening a folder in the file browser, with a stand-in browser that records
// what it was asked to open.
#include "platform/fileexplorer.h"

#include "testsandbox.h"

#include <QFile>
#include <QtTest>

class tst_FileExplorer : public QObject
{
    Q_OBJECT

private slots:
    void opensTheFolderAsOneArgument();
    void reportsAMissingBrowser();
};

void tst_FileExplorer::opensTheFolderAsOneArgument()
{
    TestSandbox sandbox;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", AX_TESTS_SOURCE_DIR "/stubs/explorer:" + path);
    qputenv("EXPLORER_STUB_LOG", sandbox.filePath("explorer.txt").toLocal8Bit());
    const QString folder = sandbox.filePath("Diagnostic_2024-03-05_14-07 \"x\"; y");

    const bool started = openInFileExplorer(folder);
    qputenv("PATH", path);
    QVERIFY(started);
    QFile log(sandbox.filePath("explorer.txt"));
    QTRY_VERIFY(log.exists() && log.size() > 0);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLocal8Bit(log.readAll()), folder + "\n--\n");
}

void tst_FileExplorer::reportsAMissingBrowser()
{
    TestSandbox sandbox;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", sandbox.path().toLocal8Bit());
    const bool started = openInFileExplorer(sandbox.path());
    qputenv("PATH", path);
    QVERIFY(!started);
}

QTEST_GUILESS_MAIN(tst_FileExplorer)
#include "tst_fileexplorer.moc"
