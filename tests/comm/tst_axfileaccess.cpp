// The transfer-tool runner with real child processes: the stub tools, where a
// test must see the command line or make the tool fail.
#include "comm/transfer/axfileaccess.h"
#include "comm/transfer/transfercommand.h"

#include "testfiles.h"
#include "testsandbox.h"
#include "transferreports.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// The stub's log: one list of arguments (and "stdin:" lines) per run.
QList<QStringList> stubRuns(const QString &logPath)
{
    QList<QStringList> runs;
    QStringList current;
    const QStringList lines = QString::fromUtf8(readTestFile(logPath)).split('\n');
    for (const QString &line : lines) {
        if (line == "--") {
            runs << current;
            current.clear();
        } else if (!line.isEmpty()) {
            current << line;
        }
    }
    return runs;
}

bool installStub(const QString &name)
{
    QDir().mkpath("bin");
    return QFile::copy(QStringLiteral(AX_TESTS_SOURCE_DIR "/stubs/") + name, "bin/" + name);
}

const QString StatusFormat = "\\nax-upload-http-status: %{response_code}\\n";
const QStringList FetchLimits = {"--max-filesize", "67108864", "--speed-limit", "1", "--speed-time", "120", "--fail"};

} // namespace

class TestAxFileAccess : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void uploadIsJudgedByTheWholeAnswer_data();
    void uploadIsJudgedByTheWholeAnswer();
    void shortAnswersAreReadWithinThemselves();

    void commandLinesKeepNamesInTheirArguments();
    void passwordNeverOnTheCommandLine();
    void refusedBatchesStartNothing();
    void readErrorsAreRetriedFourTimesPerBatch();
    void crashedUploadIsRetriedThenReportedOnce();
    void failedFileStopsItsBatch();
    void newBatchWaitsForTheRunningOne();

    void kovnetFetchesEveryFileWithItsCommandLine();
    void failingFetchesStillCompleteTheList();
    void crashedFetchEndsTheListWithFailure();
    void missingKovnetEndsTheListWithFailure();

    void listsDirectories();

private:
    TestSandbox *sandbox = nullptr;
    QByteArray savedPath;
};

void TestAxFileAccess::init()
{
    sandbox = new TestSandbox;
    QVERIFY(sandbox->isValid());
    savedPath = qgetenv("PATH");
    qputenv("CURL_STUB_LOG", sandbox->filePath("curl-calls.txt").toLocal8Bit());
    qputenv("CURL_STUB_PLAN", sandbox->filePath("curl-plan.txt").toLocal8Bit());
    qputenv("KOVNET_STUB_LOG", sandbox->filePath("kovnet-calls.txt").toLocal8Bit());
    qunsetenv("KOVNET_STUB_CRASH");
    qunsetenv("KOVNET_STUB_EXIT");
    qunsetenv("KOVNET_STUB_FILES");
}

void TestAxFileAccess::cleanup()
{
    qputenv("PATH", savedPath);
    delete sandbox;
    sandbox = nullptr;
}

void TestAxFileAccess::uploadIsJudgedByTheWholeAnswer_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("stored");
    QTest::newRow("success first") << QByteArray("Success: file stored") << true;
    QTest::newRow("success later") << QByteArray("<html>Upload Success</html>") << true;
    QTest::newRow("success after a large page") << QByteArray(70000, 'x') + "Success" << true;
    QTest::newRow("refused") << QByteArray("<html>Upload failed</html>") << false;
    QTest::newRow("no answer") << QByteArray() << false;
    QTest::newRow("answer past its limit") << QByteArray(1024 * 1024, 'x') + "Success" << false;
}

void TestAxFileAccess::uploadIsJudgedByTheWholeAnswer()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, stored);
    QVERIFY(installStub("curl"));
    QVERIFY(writeTestFile("curl-plan.txt", "0 " + answer + "\n"));
    QVERIFY(writeTestFile("one.txt", "1"));
    QVERIFY(writeTestFile("two.txt", "2"));

    // The first file of a batch and the last are judged alike.
    AxFileAccess access;
    QSignalSpy reports(&access, &AxFileAccess::signal_file_send_complete);
    QSignalSpy batch(&access, &AxFileAccess::named_file_transfer_complete);
    QVERIFY(access.sendFiles({"one.txt", "two.txt"}, {"one.txt", "two.txt"}, deviceAt("10.0.0.1")));
    QVERIFY(batch.wait(10000));
    QTest::qWait(100);

    if (stored) {
        QCOMPARE(sendReports(reports), QStringList({"one.txt=" + Complete, "two.txt=" + Complete}));
        QCOMPARE(batch.first().at(0).toInt(), 2);
    } else {
        QCOMPARE(sendReports(reports), QStringList({"one.txt=" + Failed, "two.txt=" + Failed}));
        QCOMPARE(batch.first().at(0).toInt(), 0);
    }
    QCOMPARE(batch.size(), 1);
}

// Qt 6.4 reads before a text shorter than what it looks for there: the answer
// lies right behind a page that cannot be read, so such a read faults.
void TestAxFileAccess::shortAnswersAreReadWithinThemselves()
{
#ifdef Q_OS_UNIX
    const long page = sysconf(_SC_PAGESIZE);
    void *pages = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    QVERIFY(pages != MAP_FAILED);
    QCOMPARE(mprotect(pages, page, PROT_NONE), 0);
    char *answer = static_cast<char *>(pages) + page;
    const QByteArray text = "Success\nax-upload-http-";
    memcpy(answer, text.constData(), text.size());
    for (int size = 1; size <= text.size(); ++size) {
        int status = -1;
        QCOMPARE(TransferCommand::uploadAnswer(QByteArray::fromRawData(answer, size), &status), text.left(size));
        QCOMPARE(status, 0);
    }
    munmap(pages, 2 * page);
#else
    QSKIP("needs a page that cannot be read");
#endif
}

void TestAxFileAccess::commandLinesKeepNamesInTheirArguments()
{
    QVERIFY(installStub("curl"));
    QVERIFY(installStub("kovnet"));
    QVERIFY(writeTestFile("a b.txt", "x"));
    AxFileAccess access;
    QSignalSpy batch(&access, &AxFileAccess::named_file_transfer_complete);
    QSignalSpy fetched(&access, &AxFileAccess::signal_file_get_complete);

    QVERIFY(access.sendFiles({"a b.txt", "a b.txt"}, {"x;filename=evil", QString()},
                             deviceAt("10.1.2.3", "admin", QString())));
    QVERIFY(batch.wait(10000));
    QVERIFY(access.getFileList({"-out file"}, {"--remote name"}, deviceAt("10.1.2.4"), 0));
    QVERIFY(fetched.wait(10000));
    QVERIFY(access.getFileList({"-local"}, {"--remote name"}, deviceAt("10.1.2.5"), 1));
    QVERIFY(fetched.wait(10000));

    // A user name without a password sends no credentials.
    QCOMPARE(stubRuns("curl-calls.txt"),
             QList<QStringList>({{"--form", "upload=@\"a b.txt\";filename=\"x;filename=evil\"",
                                  "--write-out", StatusFormat, "--speed-limit", "1", "--speed-time", "120",
                                  "10.1.2.3/ardentix.cgi"},
                                 {"--form", "upload=@\"a b.txt\";filename=\"a b.txt\"",
                                  "--write-out", StatusFormat, "--speed-limit", "1", "--speed-time", "120",
                                  "10.1.2.3/ardentix.cgi"},
                                 QStringList({"10.1.2.4/--remote%20name", "-o", "./-out file"}) + FetchLimits}));
    QCOMPARE(stubRuns("kovnet-calls.txt"),
             QList<QStringList>({{"-i10.1.2.5", "-u1", "-f--remote name", "-l-local", "-m1", "-k5000"}}));
    QCOMPARE(readTestFile("-local"), QByteArray("kovnet 10.1.2.5 --remote name\n"));
}

void TestAxFileAccess::passwordNeverOnTheCommandLine()
{
    QVERIFY(installStub("curl"));
    QVERIFY(writeTestFile("f.txt", "x"));
    AxFileAccess access;
    QSignalSpy batch(&access, &AxFileAccess::named_file_transfer_complete);
    QSignalSpy fetched(&access, &AxFileAccess::signal_file_get_complete);
    const ArdentixDevice device = deviceAt("10.1.2.3", "ad\"min", "s3cr\\et\nline");

    QVERIFY(access.sendFiles({"f.txt"}, {"f.txt"}, device));
    QVERIFY(batch.wait(10000));
    QVERIFY(access.getFileList({"g.txt"}, {"g.txt"}, device, 0));
    QVERIFY(fetched.wait(10000));

    // The stub notes what it read on standard input after its arguments.
    const QStringList config = {"stdin:", "user = \"ad\\\"min:s3cr\\\\et\\nline\""};
    QCOMPARE(stubRuns("curl-calls.txt"),
             QList<QStringList>({QStringList({"--form", "upload=@\"f.txt\";filename=\"f.txt\"",
                                              "--config", "-", "--write-out", StatusFormat, "--speed-limit",
                                              "1", "--speed-time", "120", "10.1.2.3/ardentix.cgi"}) + config,
                                 QStringList({"10.1.2.3/g.txt", "-o", "g.txt", "--config", "-"}) + FetchLimits
                                     + config}));
}

void TestAxFileAccess::refusedBatchesStartNothing()
{
    QVERIFY(installStub("curl"));
    QVERIFY(writeTestFile("one.txt", "1"));
    AxFileAccess access;
    QSignalSpy reports(&access, &AxFileAccess::signal_file_send_complete);
    QSignalSpy batch(&access, &AxFileAccess::named_file_transfer_complete);

    QVERIFY(!access.sendFiles({"one.txt"}, {"one.txt", "two.txt"}, deviceAt("10.0.0.1")));
    QVERIFY(!access.sendFiles({"one.txt", "missing.txt"}, {"one.txt", "missing.txt"}, deviceAt("10.0.0.1")));
    QVERIFY(access.sendFiles({}, {}, deviceAt("10.0.0.1")));
    QVERIFY(!access.getFileList({"a"}, {}, deviceAt("10.0.0.1"), 0));

    // No curl deployed and none on the path.
    QDir().mkpath("empty");
    QVERIFY(QFile::remove("bin/curl"));
    qputenv("PATH", sandbox->filePath("empty").toLocal8Bit());
    QVERIFY(!access.sendFiles({"one.txt"}, {"one.txt"}, deviceAt("10.0.0.1")));

    QTest::qWait(200);
    QVERIFY(reports.isEmpty());
    QVERIFY(batch.isEmpty());
    QVERIFY(!QFile::exists("curl-calls.txt"));

    // An empty fetch list is complete at once.
    QSignalSpy fetched(&access, &AxFileAccess::signal_file_get_complete);
    QVERIFY(access.getFileList({}, {}, deviceAt("10.0.0.1"), 1));
    QCOMPARE(fetched.size(), 1);
    QCOMPARE(fetched.first().at(0).toBool(), true);
}

void TestAxFileAccess::readErrorsAreRetriedFourTimesPerBatch()
{
    QVERIFY(installStub("curl"));
    QVERIFY(writeTestFile("curl-plan.txt", "26\n"));
    QVERIFY(writeTestFile("f.txt", "x"));
    AxFileAccess access;
    QSignalSpy reports(&access, &AxFileAccess::signal_file_send_complete);
    QSignalSpy batch(&access, &AxFileAccess::named_file_transfer_complete);

    QVERIFY(access.sendFiles({"f.txt"}, {"f.txt"}, deviceAt("10.0.0.1")));
    QVERIFY(batch.wait(10000));
    QTest::qWait(200);
    QCOMPARE(stubRuns("curl-calls.txt").size(), 5);
    QCOMPARE(sendReports(reports), QStringList({"f.txt=" + Failed}));
    QCOMPARE(batch.size(), 1);

    // A new batch has its own four retries.
    QVERIFY(access.sendFiles({"f.txt"}, {"f.txt"}, deviceAt("10.0.0.1")));
    QVERIFY(batch.wait(10000));
    QCOMPARE(stubRuns("curl-calls.txt").size(), 10);
    QCOMPARE(sendReports(reports), QStringList({"f.txt=" + Failed, "f.txt=" + Failed}));

    // A retry that works ends the file well, reported once.
    QVERIFY(QFile::remove("curl-calls.txt"));
    QVERIFY(writeTestFile("curl-plan.txt", "26\n26\n0 Success\n"));
    QVERIFY(access.sendFiles({"f.txt"}, {"f.txt"}, deviceAt("10.0.0.1")));
    QVERIFY(batch.wait(10000));
    QCOMPARE(stubRuns("curl-calls.txt").size(), 3);
    QCOMPARE(sendReports(reports), QStringList({"f.txt=" + Failed, "f.txt=" + Failed, "f.txt=" + Complete}));
}

void TestAxFileAccess::crashedUploadIsRetriedThenReportedOnce()
{
    QVERIFY(installStub("curl"));
    QVERIFY(writeTestFile("curl-plan.txt", "crash\n"));
    QVERIFY(writeTestFile("one.txt", "1"));
    QVERIFY(writeTestFile("two.txt", "2"));
    AxFileAccess access;
    QSignalSpy reports(&access, &AxFileAccess::signal_file_send_complete);
    QSignalSpy named(&access, &AxFileAccess::signal_named_file_complete);
    QSignalSpy batch(&access, &AxFileAccess::named_file_transfer_complete);

    QVERIFY(access.sendFiles({"one.txt", "two.txt"}, {"one.txt", "two.txt"}, deviceAt("10.0.0.1")));
    QVERIFY(batch.wait(10000));
    QTest::qWait(200);
    QCOMPARE(stubRuns("curl-calls.txt").size(), 5);
    QCOMPARE(sendReports(reports), QStringList({"one.txt=" + Failed, "two.txt=" + Failed}));
    QCOMPARE(named.size(), 2);
    QCOMPARE(named.first().at(1).toBool(), false);
    QCOMPARE(batch.size(), 1);
    QCOMPARE(batch.first().at(0).toInt(), 0);
}

void TestAxFileAccess::failedFileStopsItsBatch()
{
    QVERIFY(installStub("curl"));
    QVERIFY(writeTestFile("curl-plan.txt", "0 Success\n0 Error: disk full\n0 Success\n"));
    QVERIFY(writeTestFile("one.txt", "1"));
    QVERIFY(writeTestFile("two.txt", "2"));
    QVERIFY(writeTestFile("three.txt", "3"));
    AxFileAccess access;
    QSignalSpy reports(&access, &AxFileAccess::signal_file_send_complete);
    QSignalSpy batch(&access, &AxFileAccess::named_file_transfer_complete);

    QVERIFY(access.sendFiles({"one.txt", "two.txt", "three.txt"}, {"1", "2", "3"}, deviceAt("10.0.0.1")));
    QVERIFY(batch.wait(10000));
    QTest::qWait(300);
    // The files it never sent end too, as failed.
    QCOMPARE(sendReports(reports), QStringList({"one.txt=" + Complete, "two.txt=" + Failed, "three.txt=" + Failed}));
    QCOMPARE(batch.size(), 1);
    QCOMPARE(batch.first().at(0).toInt(), 1);
    QCOMPARE(batch.first().at(1).toString(), QString("two.txt"));
    QCOMPARE(stubRuns("curl-calls.txt").size(), 2);
}

void TestAxFileAccess::newBatchWaitsForTheRunningOne()
{
    QVERIFY(installStub("curl"));
    QVERIFY(writeTestFile("curl-plan.txt", "slow 0 Success\n0 Success\n"));
    QVERIFY(writeTestFile("old.txt", "1"));
    QVERIFY(writeTestFile("new.txt", "2"));
    AxFileAccess access;
    QSignalSpy reports(&access, &AxFileAccess::signal_file_send_complete);
    QSignalSpy batch(&access, &AxFileAccess::named_file_transfer_complete);

    QVERIFY(access.sendFiles({"old.txt", "new.txt"}, {"old", "new"}, deviceAt("10.0.0.1")));
    QTRY_COMPARE(stubRuns("curl-calls.txt").size(), 1);
    QVERIFY(access.sendFiles({"new.txt"}, {"new"}, deviceAt("10.0.0.2")));
    QTRY_COMPARE_WITH_TIMEOUT(batch.size(), 2, 10000);
    QTest::qWait(200);

    QCOMPARE(sendReports(reports), QStringList({"old.txt=" + Complete, "new.txt=" + Complete, "new.txt=" + Complete}));
    QCOMPARE(reports.at(1).at(3).value<ArdentixDevice>().ipAddress, QHostAddress("10.0.0.1"));
    QCOMPARE(reports.at(2).at(3).value<ArdentixDevice>().ipAddress, QHostAddress("10.0.0.2"));
    QCOMPARE(batch.at(0).at(0).toInt(), 2);
    QCOMPARE(batch.at(1).at(0).toInt(), 1);
    const QList<QStringList> runs = stubRuns("curl-calls.txt");
    QCOMPARE(runs.size(), 3);
    QCOMPARE(runs.at(2).last(), QString("10.0.0.2/ardentix.cgi"));
}

void TestAxFileAccess::kovnetFetchesEveryFileWithItsCommandLine()
{
    QVERIFY(installStub("kovnet"));
    QDir().mkpath("device");
    QVERIFY(writeTestFile("device/log.txt", testPattern(5000, 5)));
    qputenv("KOVNET_STUB_FILES", sandbox->filePath("device").toLocal8Bit());
    QDir().mkpath("out");
    AxFileAccess access;
    QSignalSpy fetched(&access, &AxFileAccess::signal_file_get_complete);

    QVERIFY(access.getFileList({"out/log.txt", "out/other.txt"}, {"log.txt", "other.txt"},
                               deviceAt("192.168.1.20"), 1));
    QVERIFY(fetched.wait(10000));
    QCOMPARE(fetched.size(), 1);
    QCOMPARE(fetched.first().at(0).toBool(), true);
    QCOMPARE(readTestFile("out/log.txt"), testPattern(5000, 5));
    QCOMPARE(stubRuns("kovnet-calls.txt"),
             QList<QStringList>({{"-i192.168.1.20", "-u1", "-flog.txt", "-lout/log.txt", "-m1", "-k5000"},
                                 {"-i192.168.1.20", "-u1", "-fother.txt", "-lout/other.txt", "-m1", "-k5000"}}));
}

void TestAxFileAccess::failingFetchesStillCompleteTheList()
{
    QVERIFY(installStub("kovnet"));
    qputenv("KOVNET_STUB_EXIT", "3");
    AxFileAccess access;
    QSignalSpy fetched(&access, &AxFileAccess::signal_file_get_complete);
    QVERIFY(access.getFileList({"a", "b", "c"}, {"a", "b", "c"}, deviceAt("10.0.0.1"), 1));
    QVERIFY(fetched.wait(10000));
    QTest::qWait(200);
    QCOMPARE(fetched.size(), 1);
    QCOMPARE(fetched.first().at(0).toBool(), true);
    QCOMPARE(stubRuns("kovnet-calls.txt").size(), 3);
}

void TestAxFileAccess::crashedFetchEndsTheListWithFailure()
{
    QVERIFY(installStub("kovnet"));
    qputenv("KOVNET_STUB_CRASH", "b");
    AxFileAccess access;
    QSignalSpy fetched(&access, &AxFileAccess::signal_file_get_complete);
    QVERIFY(access.getFileList({"a", "b", "c"}, {"a", "b", "c"}, deviceAt("10.0.0.1"), 1));
    QVERIFY(fetched.wait(10000));
    QTest::qWait(200);
    QCOMPARE(fetched.size(), 1);
    QCOMPARE(fetched.first().at(0).toBool(), false);
    QCOMPARE(stubRuns("kovnet-calls.txt").size(), 2);

    // The next list starts afresh.
    qunsetenv("KOVNET_STUB_CRASH");
    QVERIFY(access.getFileList({"c"}, {"c"}, deviceAt("10.0.0.1"), 1));
    QVERIFY(fetched.wait(10000));
    QCOMPARE(fetched.last().at(0).toBool(), true);
    QCOMPARE(stubRuns("kovnet-calls.txt").size(), 3);
}

void TestAxFileAccess::missingKovnetEndsTheListWithFailure()
{
    AxFileAccess access;
    QSignalSpy fetched(&access, &AxFileAccess::signal_file_get_complete);
    QVERIFY(access.getFileList({"a", "b"}, {"a", "b"}, deviceAt("10.0.0.1"), 1));
    QVERIFY(fetched.wait(5000));
    QCOMPARE(fetched.size(), 1);
    QCOMPARE(fetched.first().at(0).toBool(), false);

    QVERIFY(access.getFileList({"a"}, {"a"}, deviceAt("10.0.0.1"), 7));
    QVERIFY(fetched.wait(5000));
    QCOMPARE(fetched.last().at(0).toBool(), false);
}

void TestAxFileAccess::listsDirectories()
{
    QDir().mkpath("d/sub");
    for (const char *name : {"b.txt", "A.txt", "c.log", "a.TXT"})
        QVERIFY(writeTestFile(QString("d/") + name, "x"));
    AxFileAccess access;
    QCOMPARE(access.listFilesInDir("d", {"*.txt", "*.TXT"}), QStringList({"A.txt", "a.TXT", "b.txt"}));
    QCOMPARE(access.listFilesInDir("d", {}), QStringList({".", "..", "A.txt", "a.TXT", "b.txt", "c.log", "sub"}));
    QCOMPARE(access.listFilesInDir("nowhere", {}), QStringList());
    QVERIFY(access.fileExistsIn("d", "c.log"));
    QVERIFY(!access.fileExistsIn("d", "sub/none"));
    QVERIFY(access.makePath("e/f/g"));
    QVERIFY(access.dirExists("e/f/g"));
}

QTEST_GUILESS_MAIN(TestAxFileAccess)
#include "tst_axfileaccess.moc"
