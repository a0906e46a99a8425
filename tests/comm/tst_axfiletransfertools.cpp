// The transfer tools end to end: the system's curl, started by AxFileAccess in
// namespace A, uploads to and fetches from the gateway emulator's web side in
// namespace B across the veth pair.
#include "comm/transfer/axfileaccess.h"

#include "model/axmetatypes.h"

#include "emulatorprocess.h"
#include "netnspair.h"
#include "testfiles.h"
#include "testsandbox.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

// Every report of one signal_file_send_complete spy as "path=state".
QStringList sendReports(const QSignalSpy &spy)
{
    QStringList reports;
    for (const QList<QVariant> &report : spy)
        reports << report.at(0).toString() + "=" + QString::number(report.at(1).value<FILE_TRANSFER_STATE>());
    return reports;
}

const QString Complete = QString::number(FILE_TRANSFER_COMPLETE);
const QString Failed = QString::number(FILE_TRANSFER_FAILED);
const QString AuthRequired = QString::number(FILE_TRANSFER_AUTH_REQUIRED);

} // namespace

class TestAxFileTransferTools : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void uploadsAndFetchesThroughTheGatewaysWebSide();
    void refusedUploadsAreReportedFailed();

private:
    // The emulator's gateway at B's address with its web side on; this thread enters A.
    bool startGateway(const QStringList &arguments, QString *error);
    ArdentixDevice gateway(const QString &user = QString(), const QString &password = QString()) const;

    TestSandbox *m_sandbox = nullptr;
    NetnsPair *m_pair = nullptr;
    EmulatorProcess *m_emulator = nullptr;
};

void TestAxFileTransferTools::initTestCase()
{
    registerAxMetaTypes();
}

void TestAxFileTransferTools::init()
{
    m_sandbox = new TestSandbox;
    m_pair = new NetnsPair;
    m_emulator = new EmulatorProcess;
}

void TestAxFileTransferTools::cleanup()
{
    delete m_emulator;   // killed before its namespace goes
    m_emulator = nullptr;
    delete m_pair;
    m_pair = nullptr;
    delete m_sandbox;
    m_sandbox = nullptr;
}

bool TestAxFileTransferTools::startGateway(const QStringList &arguments, QString *error)
{
    return m_emulator->start(*m_pair, NetnsPair::B, AX_EMULATOR_PATH,
                             QStringList({"--base-ip", m_pair->ipAddress(NetnsPair::B), "--http"}) + arguments,
                             error)
        && m_pair->enter(NetnsPair::A, error);
}

ArdentixDevice TestAxFileTransferTools::gateway(const QString &user, const QString &password) const
{
    ArdentixDevice device;
    device.ipAddress = QHostAddress(m_pair->ipAddress(NetnsPair::B));
    device.username = user;
    device.password = password;
    return device;
}

void TestAxFileTransferTools::uploadsAndFetchesThroughTheGatewaysWebSide()
{
    AX_REQUIRE_NETNS(*m_pair);
    QString error;
    QVERIFY2(startGateway({"--http-user", "admin", "--http-password", "pa\"ss wo:rd\\"}, &error), qPrintable(error));

    // Names with blanks, quotes, ';', ',' and a leading '-' stay what they are.
    const QStringList remoteNames = {"plain.bin", "-dash \"quoted\"; type=text/html,x", "empty", "big.bin"};
    const QStringList localPaths = {m_sandbox->filePath("plain.bin"),
                                    QDir::toNativeSeparators(m_sandbox->filePath("-odd; name,\"q\".bin")),
                                    m_sandbox->filePath("empty"), m_sandbox->filePath("big.bin")};
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
    QCOMPARE(m_emulator->countLines(QRegularExpression("^UPLOAD ")), 4);

    // Fetched back over HTTP into files of their own, then compared byte by byte.
    QSignalSpy fetched(&access, &AxFileAccess::signal_file_get_complete);
    QStringList fetchPaths;
    for (int i = 0; i < remoteNames.size(); ++i)
        fetchPaths << (i == 1 ? QString("-fetched %1").arg(i) : m_sandbox->filePath(QString("fetched %1").arg(i)));
    QVERIFY(access.getFileList(fetchPaths, remoteNames, device, 0));
    QVERIFY(fetched.wait(30000));
    QCOMPARE(fetched.first().at(0).toBool(), true);
    for (int i = 0; i < remoteNames.size(); ++i)
        QVERIFY2(readTestFile(fetchPaths.at(i)) == contents.at(i), qPrintable(remoteNames.at(i)));
    QCOMPARE(m_emulator->countLines(QRegularExpression(" auth=ok http$")), 8);
}

void TestAxFileTransferTools::refusedUploadsAreReportedFailed()
{
    AX_REQUIRE_NETNS(*m_pair);
    QString error;
    QVERIFY2(startGateway({"--http-user", "admin", "--http-password", "right", "--disk-capacity", "1000"}, &error),
             qPrintable(error));
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
    QCOMPARE(m_emulator->countLines(QRegularExpression("^HTTP .* /ardentix.cgi auth=(refused|none) ")), 2);

    // No room on the gateway: the first file is refused, the batch stops there
    // and the file behind it ends unsent.
    reports.clear();
    QVERIFY(access.sendFiles({"large.bin", "small.bin"}, {"large.bin", "small.bin"}, gateway("admin", "right")));
    QVERIFY(batch.wait(10000));
    QTest::qWait(200);
    QCOMPARE(sendReports(reports), QStringList({"large.bin=" + Failed, "small.bin=" + Failed}));
    QCOMPARE(batch.size(), 3);
    QCOMPARE(m_emulator->countLines(QRegularExpression("^UPLOAD ")), 0);

    QVERIFY(access.sendFiles({"small.bin"}, {"small.bin"}, gateway("admin", "right")));
    QVERIFY(batch.wait(10000));
    QCOMPARE(sendReports(reports).last(), "small.bin=" + Complete);
}

QTEST_GUILESS_MAIN(TestAxFileTransferTools)
#include "tst_axfiletransfertools.moc"
