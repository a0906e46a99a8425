// The transfer tools end to end: the system's curl, started by AxFileAccess in
// namespace A, uploads to and fetches from the gateway emulator's web side in
// namespace B across the veth pair.
#include "comm/transfer/axfileaccess.h"


#include "commtestbed.h"
#include "testfiles.h"
#include "transferreports.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestAxFileTransferTools : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_bed.reset(); }

    void uploadsAndFetchesThroughTheGatewaysWebSide();
    void refusedUploadsAreReportedFailed();
    void endlessFetchIsCutOffAndDeleted();

private:
    // The emulator's gateway at B's address with its web side on.
    bool startGateway(const QStringList &arguments);
    ArdentixDevice gateway(const QString &user = QString(), const QString &password = QString()) const;
    EmulatorProcess &emulator() { return m_bed->emulator(); }

    QScopedPointer<CommTestBed> m_bed;
};

void TestAxFileTransferTools::init()
{
    m_bed.reset(new CommTestBed);
    AX_REQUIRE_TESTBED(*m_bed);
}

bool TestAxFileTransferTools::startGateway(const QStringList &arguments)
{
    return m_bed->startEmulator(QStringList({"--http"}) + arguments);
}

ArdentixDevice TestAxFileTransferTools::gateway(const QString &user, const QString &password) const
{
    return deviceAt(m_bed->gatewayAddress(), user, password);
}

void TestAxFileTransferTools::uploadsAndFetchesThroughTheGatewaysWebSide()
{
    QVERIFY(startGateway({"--http-user", "admin", "--http-password", "pa\"ss wo:rd\\"}));

    // Names with blanks, quotes, ';', ',' and a leading '-' stay what they are.
    const QStringList remoteNames = {"plain.bin", "-dash \"quoted\"; type=text/html,x", "empty", "big.bin"};
    const QStringList localPaths = {m_bed->sandbox().filePath("plain.bin"),
                                    QDir::toNativeSeparators(m_bed->sandbox().filePath("-odd; name,\"q\".bin")),
                                    m_bed->sandbox().filePath("empty"), m_bed->sandbox().filePath("big.bin")};
    const QList<QByteArray> contents = {testPattern(451, 1), testPattern(1000, 2), QByteArray(), testPattern(300 * 1024, 3)};
    for (int i = 0; i < localPaths.size(); ++i)
        QVERIFY(writeTestFile(localPaths.at(i), contents.at(i)));

    AxFileAccess access;
    QSignalSpy reports(&access, &AxFileAccess::signal_file_send_complete);
    QSignalSpy batch(&access, &AxFileAccess::named_file_transfer_complete);
    const ArdentixDevice device = gateway("admin", "pa\"ss wo:rd\\");
    QVERIFY(access.sendFiles(localPaths, remoteNames, device));
    QVERIFY(batch.wait(30000));
    QCOMPARE(batch.size(), 1);
    QCOMPARE(batch.first().at(0).toInt(), 4);
    QStringList expected;
    for (const QString &path : localPaths)
        expected << QDir::fromNativeSeparators(path) + "=" + Complete;
    QCOMPARE(sendReports(reports), expected);
    QCOMPARE(emulator().countLines(QRegularExpression("^UPLOAD ")), 4);

    // Fetched back over HTTP into files of their own, then compared byte by byte.
    QSignalSpy fetched(&access, &AxFileAccess::signal_file_get_complete);
    QStringList fetchPaths;
    for (int i = 0; i < remoteNames.size(); ++i)
        fetchPaths << (i == 1 ? QString("-fetched %1").arg(i)
                              : m_bed->sandbox().filePath(QString("fetched %1").arg(i)));
    // A name the device does not hold leaves no file: its error page is not the file.
    const QString absentPath = m_bed->sandbox().filePath("absent");
    QVERIFY(access.getFileList(fetchPaths + QStringList(absentPath), remoteNames + QStringList("absent.bin"),
                               device, 0));
    QVERIFY(fetched.wait(30000));
    QCOMPARE(fetched.first().at(0).toBool(), true);
    for (int i = 0; i < remoteNames.size(); ++i)
        QVERIFY2(readTestFile(fetchPaths.at(i)) == contents.at(i), qPrintable(remoteNames.at(i)));
    QVERIFY(!QFile::exists(absentPath));
    QCOMPARE(emulator().countLines(QRegularExpression(" auth=ok http$")), 9);
}

void TestAxFileTransferTools::refusedUploadsAreReportedFailed()
{
    QVERIFY(startGateway({"--http-user", "admin", "--http-password", "right", "--disk-capacity", "1000"}));
    QVERIFY(writeTestFile("small.bin", testPattern(10, 4)));
    QVERIFY(writeTestFile("large.bin", testPattern(2000, 5)));
    AxFileAccess access;
    QSignalSpy reports(&access, &AxFileAccess::signal_file_send_complete);
    QSignalSpy batch(&access, &AxFileAccess::named_file_transfer_complete);

    // Wrong credentials, or none: the gateway answers 401 and every file of
    // the batch asks for a login; the second is not tried with them.
    QVERIFY(access.sendFiles({"small.bin", "large.bin"}, {"small.bin", "large.bin"}, gateway("admin", "wrong")));
    QVERIFY(batch.wait(10000));
    QVERIFY(access.sendFiles({"small.bin"}, {"small.bin"}, gateway()));
    QVERIFY(batch.wait(10000));
    QCOMPARE(sendReports(reports), QStringList({"small.bin=" + AuthRequired, "large.bin=" + AuthRequired,
                                                "small.bin=" + AuthRequired}));
    QTRY_COMPARE_WITH_TIMEOUT(emulator().countLines(QRegularExpression("^HTTP .* /ardentix.cgi auth=(refused|none) ")),
                              2, 10000);

    // No room on the gateway: the first file is refused, the batch stops there
    // and the file behind it ends unsent.
    reports.clear();
    QVERIFY(access.sendFiles({"large.bin", "small.bin"}, {"large.bin", "small.bin"}, gateway("admin", "right")));
    QVERIFY(batch.wait(10000));
    QTest::qWait(200);
    QCOMPARE(sendReports(reports), QStringList({"large.bin=" + Failed, "small.bin=" + Failed}));
    QCOMPARE(batch.size(), 3);
    QCOMPARE(emulator().countLines(QRegularExpression("^UPLOAD ")), 0);

    QVERIFY(access.sendFiles({"small.bin"}, {"small.bin"}, gateway("admin", "right")));
    QVERIFY(batch.wait(10000));
    QCOMPARE(sendReports(reports).last(), "small.bin=" + Complete);
}

void TestAxFileTransferTools::endlessFetchIsCutOffAndDeleted()
{
    const QString held = m_bed->sandbox().filePath("held");
    QVERIFY(QDir().mkpath(held));
    QVERIFY(writeTestFile(held + "/config.csv", testPattern(300, 6)));
    QVERIFY(startGateway({"--device-files", held, "--endless-file", "endless.log"}));
    AxFileAccess access;
    QSignalSpy fetched(&access, &AxFileAccess::signal_file_get_complete);
    const QStringList paths = {m_bed->sandbox().filePath("endless.log"), m_bed->sandbox().filePath("config.csv")};

    // Stopped at its limit and deleted; the list goes on, and ends as cut short.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^File get cut off at its limit of"));
    QVERIFY(access.getFileList(paths, {"endless.log", "config.csv"}, gateway(), 0));
    QVERIFY(fetched.wait(30000));
    QCOMPARE(fetched.first().at(0).toBool(), false);
    QVERIFY(!QFile::exists(paths.at(0)));
    QCOMPARE(readTestFile(paths.at(1)), testPattern(300, 6));

    // A fetch given up halfway leaves nothing either.
    QScopedPointer<AxFileAccess> abandoned(new AxFileAccess);
    QVERIFY(abandoned->getFileList({paths.at(0)}, {"endless.log"}, gateway(), 0));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(paths.at(0)).size() > 0, 10000);
    abandoned.reset();
    QVERIFY(!QFile::exists(paths.at(0)));
}

QTEST_GUILESS_MAIN(TestAxFileTransferTools)
#include "tst_axfiletransfertools.moc"
