#include "comm/json/jsoncomm.h"
#include "model/axmetatypes.h"
#include "model/axsignalobject.h"

#include "gatewaytestbed.h"
#include "messagelog.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QtTest>

// The JSON-RPC client against the gateway emulator's web side, end to end:
// the emulator in namespace B, the client in namespace A. The client runs in
// a child process started by "ip netns exec", so that the namespace's own
// hosts file gives it the cloud and secure-gateway names; each test function
// sets up the pair and the emulator, then runs itself again as that child,
// which does the checks. The tests generate their own certificates: a CA the
// client trusts for the cloud's names, and a self-signed device certificate.
class TestJsonProbe : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void probe_data();
    void probe();
    void clockIsSetAndReadBack();
    void ipSettingsAndRestart_data();
    void ipSettingsAndRestart();
    void authentication_data();
    void authentication();
    void lateAnswerIsReportedAsTimedOut();
    void slowWebSideIsProbedOnceAtATime();

private:
    static bool isChild();
    // Parent side: sets up the pair and the emulator and runs the current
    // test function (and data row) as the child in namespace A. Once the
    // emulator logs a line that matches releaseOn, the child is released.
    void runAsChild(const QStringList &emulatorArguments, const QString &gatewayAddress = QString(),
                    const QRegularExpression &releaseOn = QRegularExpression());
    // Child side: waits until the parent has seen what it waits for.
    static bool waitForRelease();
    bool childPassed() const { return childRan && !QTest::currentTestFailed(); }
    bool makeCertificates(QString *error);
    static ArdentixDevice gateway();
    EmulatorProcess &emulator() { return bed->emulator(); }

    QTemporaryDir certificates;
    QString certificateDir;
    GatewayTestBed *bed = nullptr;   // the child uses only its sandbox
    bool childRan = false;
};

namespace {

const char *const kChildVariable = "AX_JSON_PROBE_CHILD";
const char *const kCaVariable = "AX_JSON_PROBE_CA";
const char *const kReleaseVariable = "AX_JSON_PROBE_RELEASE";
const QString kDevice = QStringLiteral("10.77.0.2");
const QString kCloud = QStringLiteral("10.77.0.3");
const QString kCloudName = QStringLiteral("cloud.axtest");
const QString kGatewayDomain = QStringLiteral("gw.axtest");

// The last report of each kind, as the device store would keep it.
class ProbeState : public QObject
{
public:
    explicit ProbeState(AxSignalObject *root)
    {
        connect(root, &AxSignalObject::_signal_up_json_support, this,
                [this](const QString &, bool on, bool) { json = on ? "1" : "0"; });
        connect(root, &AxSignalObject::_signal_up_axgui_support, this,
                [this](const QString &, bool on, bool) { axgui = on ? "1" : "0"; });
        connect(root, &AxSignalObject::_signal_up_diag_support, this,
                [this](const QString &, bool on, bool) { diag = on ? "1" : "0"; });
        connect(root, &AxSignalObject::_signal_up_set_device_password_protection, this,
                [this](const QString &, bool on) { password = on ? "1" : "0"; });
        connect(root, &AxSignalObject::_signal_up_security_status, this,
                [this](const QString &, SECURITY_STATUS status, bool) {
                    static const char *const names[] = {"disabled", "https", "domain-failed", "full"};
                    security = names[status];
                });
    }

    QString summary() const
    {
        return QStringLiteral("json=%1 axgui=%2 diag=%3 password=%4 security=%5")
            .arg(json, axgui, diag, password, security);
    }

    QString json = "-", axgui = "-", diag = "-", password = "-", security = "-";
};

} // namespace

bool TestJsonProbe::isChild()
{
    return qEnvironmentVariableIsSet(kChildVariable);
}

void TestJsonProbe::initTestCase()
{
    registerAxMetaTypes();
    if (isChild()) {
        // Trust the test CA, as the cloud's real certificate would be trusted.
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        QVERIFY(ssl.addCaCertificates(qEnvironmentVariable(kCaVariable)));
        QSslConfiguration::setDefaultConfiguration(ssl);
        return;
    }
    const QString reason = NetnsPair::unavailableReason();
    if (!reason.isEmpty())
        QSKIP(qPrintable(reason));
    certificateDir = certificates.path();
    QString error;
    QVERIFY2(makeCertificates(&error), qPrintable(error));
}

void TestJsonProbe::init()
{
    bed = new GatewayTestBed;
}

void TestJsonProbe::cleanup()
{
    delete bed;
    bed = nullptr;
    childRan = false;
}

bool TestJsonProbe::makeCertificates(QString *error)
{
    QDir().mkpath(certificateDir);
    QFile extensions(certificateDir + "/cloud.ext");
    if (!extensions.open(QIODevice::WriteOnly))
        return false;
    extensions.write("basicConstraints=CA:FALSE\nsubjectAltName=DNS:" + kCloudName.toUtf8() + ",DNS:*."
                     + kGatewayDomain.toUtf8() + "\n");
    extensions.close();
    const QList<QStringList> steps = {
        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
         "-subj", "/CN=Toolbox test CA"},
        {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "cloud.key", "-out", "cloud.csr", "-subj",
         "/CN=" + kCloudName},
        {"x509", "-req", "-in", "cloud.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial", "-out",
         "cloud.pem", "-days", "2", "-extfile", "cloud.ext"},
        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "device.key", "-out", "device.pem", "-days",
         "2", "-subj", "/CN=gateway"},
    };
    for (const QStringList &step : steps) {
        QProcess openssl;
        openssl.setWorkingDirectory(certificateDir);
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"), step);
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
            *error = "openssl " + step.join(' ') + ": " + QString::fromLocal8Bit(openssl.readAll());
            return false;
        }
    }
    return true;
}

void TestJsonProbe::runAsChild(const QStringList &emulatorArguments, const QString &gatewayAddress,
                               const QRegularExpression &releaseOn)
{
    AX_REQUIRE_TESTBED(*bed);
    QString error;
    QVERIFY2(bed->pair().addAddress(NetnsPair::B, kCloud + "/24", &error), qPrintable(error));

    // The client's names.
    const QString gatewayName = QString(kDevice).replace('.', '-') + '.' + kGatewayDomain;
    QVERIFY2(bed->writeHosts(NetnsPair::A, QStringLiteral("127.0.0.1 localhost\n%1 %2\n%3 %4\n")
                                               .arg(kCloud, kCloudName,
                                                    gatewayAddress.isEmpty() ? kCloud : gatewayAddress,
                                                    gatewayName),
                             &error),
             qPrintable(error));

    const QStringList common = {
        "--base-ip", kDevice, "--http",
        "--https-cert", certificateDir + "/device.pem", "--https-key", certificateDir + "/device.key",
        "--cloud-address", kCloud,
        "--cloud-cert", certificateDir + "/cloud.pem", "--cloud-key", certificateDir + "/cloud.key",
    };
    QVERIFY2(bed->startEmulator(common + emulatorArguments, &error), qPrintable(error));

    QString function = QString::fromLatin1(QTest::currentTestFunction());
    if (QTest::currentDataTag())
        function += ':' + QString::fromLatin1(QTest::currentDataTag());
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kChildVariable, "1");
    environment.insert(kCaVariable, certificateDir + "/ca.pem");
    environment.insert("AX_CLOUD_HOST", kCloudName);
    environment.insert("AX_SECURE_GATEWAY_DOMAIN", kGatewayDomain);
    const QString release = bed->sandbox().filePath("release");
    environment.insert(kReleaseVariable, release);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    QSignalSpy ended(&child, &QProcess::finished);
    child.start(bed->pair().execProgram(),
                bed->pair().execArguments(NetnsPair::A, QCoreApplication::applicationFilePath(), {function}));
    // The emulator's lines are read as they come, while the child runs.
    for (QDeadlineTimer deadline(60000); ended.isEmpty() && !deadline.hasExpired(); ended.wait(100)) {
        if (!releaseOn.pattern().isEmpty() && !QFile::exists(release) && !emulator().findLine(releaseOn).isNull())
            QFile(release).open(QIODevice::WriteOnly);
    }
    const bool finished = !ended.isEmpty();
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (!finished) {
        child.kill();
        child.waitForFinished(5000);
    }
    QTest::qWait(300); // the emulator's last lines, read as events
    QVERIFY2(finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             qPrintable("the client side failed:\n" + output));
    QVERIFY2(output.contains("Totals: "), qPrintable(output));
    QVERIFY2(!output.contains(" 0 passed"), qPrintable("the client side ran no check:\n" + output));
    childRan = true;
}

bool TestJsonProbe::waitForRelease()
{
    return QTest::qWaitFor([] { return QFile::exists(qEnvironmentVariable(kReleaseVariable)); }, 30000);
}

ArdentixDevice TestJsonProbe::gateway()
{
    ArdentixDevice device;
    device.setIpAddress(kDevice);
    device.setMacString(QStringLiteral("02:A0:00:00:00:01"));
    device.ipConnectivity = true;
    return device;
}

void TestJsonProbe::probe_data()
{
    QTest::addColumn<QStringList>("emulatorArguments");
    QTest::addColumn<QString>("gatewayAddress");   // where the device's secure-gateway name leads
    QTest::addColumn<bool>("secureGateway");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("waitForCloud");
    QTest::addColumn<QString>("expected");

    const QString none = "json=- axgui=- diag=- password=- security=-";
    const QString capable = "json=1 axgui=1 diag=1 password=- security=-";
    const QString locked = "json=1 axgui=1 diag=- password=1 security=-";
    const QStringList auth = {"--http-user", "admin", "--http-password", "pa:ss"};
    auto secured = [](const char *security) {
        return QStringLiteral("json=- axgui=1 diag=1 password=- security=%1").arg(security);
    };

    QTest::newRow("no json-rpc") << QStringList{"--no-json-rpc"} << QString() << false << "" << "" << false
                                 << none;
    QTest::newRow("json-rpc without authentication") << QStringList() << QString() << false << "" << "" << false
                                                     << capable;
    QTest::newRow("right credentials") << auth << QString() << false << "admin" << "pa:ss" << false << capable;
    QTest::newRow("no credentials") << auth << QString() << false << "" << "" << false << locked;
    QTest::newRow("wrong credentials") << auth << QString() << false << "admin" << "wrong" << false << locked;
    QTest::newRow("credentials refused") << auth + QStringList{"--refuse-credentials"} << QString() << false
                                         << "admin" << "pa:ss" << false << locked;

    QTest::newRow("security http") << QStringList{"--security-mode", "http"} << QString() << true << "" << ""
                                   << false << secured("disabled");
    QTest::newRow("security user certificate") << QStringList{"--security-mode", "https-user-certificate"}
                                               << QString() << true << "" << "" << false << secured("https");
    // The first reachability check leaves 3 s after the client starts: until
    // then the cloud counts as out of reach.
    QTest::newRow("default certificate, cloud not reached yet")
        << QStringList{"--security-mode", "https-default-certificate"} << QString() << true << "" << "" << false
        << secured("https");
    QTest::newRow("default certificate, secure gateway answers")
        << QStringList{"--security-mode", "https-default-certificate"} << QString() << true << "admin" << "pw"
        << true << secured("full");
    QTest::newRow("value false, secure gateway answers")
        << QStringList{"--security-value", "false", "--security-mode", "http"} << QString() << true << "" << ""
        << true << secured("full");
    QTest::newRow("default certificate, secure gateway refuses")
        << QStringList{"--security-mode", "https-default-certificate"} << QString("127.0.0.1") << true << "" << ""
        << true << secured("domain-failed");
    QTest::newRow("default certificate, secure gateway self-signed")
        << QStringList{"--security-mode", "https-default-certificate"} << kDevice << true << "" << "" << true
        << secured("domain-failed");
    QTest::newRow("redirect to the device's self-signed https")
        << QStringList{"--security-mode", "https-user-certificate", "--security-redirect",
                       "https://10.77.0.2/appHost/webServerSecurityConfigured"}
        << QString() << true << "" << "" << false << secured("https");
    QTest::newRow("redirect loop") << QStringList{"--security-redirect", "/appHost/webServerSecurityConfigured"}
                                   << QString() << true << "" << "" << false << secured("disabled");
    QTest::newRow("garbage") << QStringList{"--http-garbage"} << QString() << true << "" << "" << false
                             << secured("disabled");
}

void TestJsonProbe::probe()
{
    QFETCH(QStringList, emulatorArguments);
    QFETCH(QString, gatewayAddress);
    QFETCH(bool, secureGateway);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, waitForCloud);
    QFETCH(QString, expected);

    if (!isChild()) {
        runAsChild(emulatorArguments, gatewayAddress);
        if (!childPassed())
            return;
        // Credentials never leave for the cloud or the secure gateway.
        QCOMPARE(emulator().countLines(QRegularExpression("^HTTP 10\\.77\\.0\\.3 .* auth=(ok|refused|ignored)")), 0);
        if (QString::fromLatin1(QTest::currentDataTag()).startsWith("redirect loop"))
            QTRY_COMPARE(emulator().countLines(QRegularExpression("GET /appHost/webServerSecurityConfigured ")),
                         1 + JsonComm::kMaxRedirects);
        return;
    }

    AxSignalObject root;
    JsonComm client(nullptr, &root);
    ProbeState state(&root);
    if (waitForCloud)
        QTRY_VERIFY_WITH_TIMEOUT(client.isCloudReachable(), 20000);
    ArdentixDevice device = gateway();
    device.secureGwSupport = secureGateway;
    if (!user.isEmpty())
        device.setCredentials(user, password);

    client.CheckAxguiSupport(device);
    QTRY_COMPARE_WITH_TIMEOUT(state.summary(), expected, 20000);
    QTest::qWait(1000); // nothing contradicts it afterwards
    QCOMPARE(state.summary(), expected);
}

void TestJsonProbe::clockIsSetAndReadBack()
{
    if (!isChild()) {
        runAsChild({});
        if (childPassed())
            QTRY_VERIFY(!emulator().findLine(QRegularExpression(
                R"re(rpc System Time Synch \{ "id" : \d+, "jsonrpc" : "2\.0", "method" : "System Time Synch", )re"
                R"re("params" : \{ "Day" : "7", "Hour" : "9", "Minute" : "5", "Month" : "12", "Second" : "3", )re"
                R"re("Year" : "2026" \} \}$)re")).isNull());
        return;
    }
    AxSignalObject root;
    JsonComm client(nullptr, &root);
    ArdentixDevice device = gateway();
    device.jsonSupport = true;
    QSignalSpy time(&root, &AxSignalObject::_signal_up_system_time);

    const QDateTime set(QDate(2026, 12, 7), QTime(9, 5, 3));
    QVERIFY(client.TimeSyncRequest(set, device));
    // The read goes on a connection of its own and may overtake the setting:
    // read until the set clock shows.
    QDateTime read;
    for (QDeadlineTimer deadline(20000); !(read >= set && read <= set.addSecs(5)) && !deadline.hasExpired();) {
        time.clear();
        QVERIFY(client.readSystemTime(device) != JsonComm::kNoRequest);
        QVERIFY(time.wait(10000));
        read = time.at(0).at(0).toDateTime();
    }
    QVERIFY2(read >= set && read <= set.addSecs(5), qPrintable(read.toString()));
    QCOMPARE(time.at(0).at(1).value<ArdentixDevice>().ipAddress, device.ipAddress);
}

void TestJsonProbe::ipSettingsAndRestart_data()
{
    QTest::addColumn<QStringList>("emulatorArguments");
    QTest::addColumn<int>("restarts");

    QTest::newRow("accepted") << QStringList() << 1;
    QTest::newRow("refused") << QStringList{"--refuse-ip-update"} << 0;
}

void TestJsonProbe::ipSettingsAndRestart()
{
    QFETCH(QStringList, emulatorArguments);
    QFETCH(int, restarts);

    if (!isChild()) {
        runAsChild(emulatorArguments, QString(), QRegularExpression("rpc system restart "));
        if (!childPassed())
            return;
        QTRY_VERIFY(!emulator().findLine(QRegularExpression(
            R"re(rpc update ip settings .*"params" : \{ "N1 IP Address" : "10\.77\.0\.60", )re"
            R"re("N2 IP Address" : "10\.78\.0\.60" \} \}$)re")).isNull());
        QTRY_COMPARE(emulator().countLines(QRegularExpression("rpc system restart ")), restarts);
        return;
    }
    AxSignalObject root;
    JsonComm client(nullptr, &root);
    ArdentixDevice device = gateway();
    device.jsonSupport = true;
    MessageLog log;
    QVERIFY(client.UpdateIpSettings(device, QStringLiteral("10.77.0.60"), QStringLiteral("10.78.0.60"), true));
    // Until the restart has arrived: it would die with this process.
    if (restarts > 0)
        QVERIFY(waitForRelease());
    else
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("IP settings not accepted"), 20000);
}

void TestJsonProbe::authentication_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("authenticated");

    QTest::newRow("right password") << "pa:ss" << true;
    QTest::newRow("wrong password") << "wrong" << false;
}

void TestJsonProbe::authentication()
{
    QFETCH(QString, password);
    QFETCH(bool, authenticated);

    if (!isChild()) {
        runAsChild({"--http-user", "admin", "--http-password", "pa:ss"});
        return;
    }
    AxSignalObject root;
    JsonComm client(nullptr, &root);
    QSignalSpy result(&root, &AxSignalObject::_signal_up_user_authenticated);
    ArdentixDevice device = gateway();
    device.setCredentials(QStringLiteral("admin"), password);
    QVERIFY(client.ReadAuthStatus(device));
    QVERIFY(result.wait(5000));
    QCOMPARE(result.at(0).at(1).toBool(), authenticated);
    QCOMPARE(result.at(0).at(0).value<ArdentixDevice>().username, QStringLiteral("admin"));
}

void TestJsonProbe::lateAnswerIsReportedAsTimedOut()
{
    if (!isChild()) {
        runAsChild({"--http-delay", "2500"});
        return;
    }
    const int deadline = 1000;
    AxSignalObject root;
    JsonComm client(nullptr, &root, deadline);
    QSignalSpy callback(&client, &JsonComm::JsonRequestCallback);
    QSignalSpy time(&root, &AxSignalObject::_signal_up_system_time);
    ArdentixDevice device = gateway();
    device.jsonSupport = true;

    QElapsedTimer clock;
    clock.start();
    const quint32 id = client.readSystemTime(device);
    QVERIFY(callback.wait(5000));
    const qint64 elapsed = clock.elapsed();
    // Before the answer's 2500 ms; a busy machine can hold the loop back a second.
    QVERIFY2(elapsed >= deadline && elapsed < deadline + 1400, qPrintable(QString::number(elapsed)));
    QCOMPARE(callback.at(0).at(0).toUInt(), id);
    QCOMPARE(callback.at(0).at(1).toBool(), false);
    QTest::qWait(2500); // the device's late answer arrives to nobody
    QCOMPARE(time.count(), 0);
    QCOMPARE(callback.count(), 1);
}

// Re-checks asked while a slow device's probe is under way join it; once it
// has ended, the next re-check is a probe of its own.
void TestJsonProbe::slowWebSideIsProbedOnceAtATime()
{
    if (!isChild()) {
        runAsChild({"--http-delay", "1500"});
        if (childPassed()) {
            QTRY_COMPARE(emulator().countLines(QRegularExpression(" rpc read system status ")), 2);
            QTRY_COMPARE(emulator().countLines(QRegularExpression(" GET /index\\.htm ")), 2);
        }
        return;
    }
    AxSignalObject root;
    JsonComm client(nullptr, &root);
    ProbeState state(&root);
    QSignalSpy indexAnswered(&root, &AxSignalObject::_signal_up_axgui_support);
    const ArdentixDevice device = gateway();
    for (int recheck = 0; recheck < 3; ++recheck) {
        client.CheckAxguiSupport(device);
        QTest::qWait(900);
    }
    QTRY_COMPARE_WITH_TIMEOUT(state.summary(), QStringLiteral("json=1 axgui=1 diag=1 password=- security=-"), 20000);
    const int firstProbe = indexAnswered.count();
    client.CheckAxguiSupport(device);
    // Both of its stages answered: the index page is asked for after the status.
    QTRY_VERIFY_WITH_TIMEOUT(indexAnswered.count() > firstProbe, 20000);
}

QTEST_GUILESS_MAIN(TestJsonProbe)
#include "tst_jsonprobe.moc"
