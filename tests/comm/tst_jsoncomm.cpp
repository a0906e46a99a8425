#include "cannedhttpserver.h"
#include "comm/json/jsoncomm.h"
#include "model/axmetatypes.h"
#include "model/axsignalobject.h"
#include "testsandbox.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <unistd.h>

// The JSON-RPC client against canned device answers on a loopback address of
// this test's own (port 80, so it needs root): what goes on the wire, and what
// each answer, good or hostile, reports.
class TestJsonComm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void requestIdsAndEnvelope();
    void credentialsGoOnlyToTheDeviceItself_data();
    void credentialsGoOnlyToTheDeviceItself();
    void commandParameters();
    void commandGuards();
    void fileNamesStayPaths();
    void systemStatusProbe_data();
    void systemStatusProbe();
    void secureGatewayDeviceIsAskedForItsSecurity();
    void pagesReportSupport();
    void securityConfiguration_data();
    void securityConfiguration();
    void securityRedirects();
    void authenticationStatus_data();
    void authenticationStatus();
    void deviceClock_data();
    void deviceClock();
    void genericCallbacks_data();
    void genericCallbacks();
    void ipUpdateRestartsOnlyAfterSuccess_data();
    void ipUpdateRestartsOnlyAfterSuccess();
    void fileReplies();
    void oversizedAnswersFail();
    void timeOutsAreReportedAsFailures();
    void dispatchByReplyType_data();
    void dispatchByReplyType();

private:
    ArdentixDevice target() const;
    QByteArray rpcBody(int index) const;
    QByteArray rpcMethods() const;
    bool waitForRequests(int count, int timeoutMs = 15000);

    TestSandbox sandbox;
    QHostAddress address;
    CannedHttpServer device;
    AxSignalObject *root = nullptr;
    JsonComm *client = nullptr;
};

namespace {

QByteArray rpcAnswer(const QByteArray &result)
{
    return R"({"jsonrpc":"2.0","id":1,"result":)" + result + "}";
}

const QByteArray kSuccess = rpcAnswer(R"({"Status":"Success"})");

} // namespace

void TestJsonComm::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("the emulated device listens on port 80, which needs root");
    // Nothing but loopback: the cloud check finds nobody there.
    qputenv("AX_CLOUD_HOST", "127.0.0.1:9");
    registerAxMetaTypes();
    address = CannedHttpServer::privateLoopback();
    QVERIFY2(device.listen(address, 80), qPrintable(address.toString()));
}

void TestJsonComm::init()
{
    device.clear();
    root = new AxSignalObject(nullptr);
    client = new JsonComm(nullptr, root, 1500);
}

void TestJsonComm::cleanup()
{
    delete client;
    delete root;
    client = nullptr;
    root = nullptr;
}

ArdentixDevice TestJsonComm::target() const
{
    ArdentixDevice record;
    record.ipAddress = address;
    record.setMacString(QStringLiteral("02:A0:00:00:00:01"));
    record.jsonSupport = true;
    record.ipConnectivity = true;
    return record;
}

bool TestJsonComm::waitForRequests(int count, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (device.received.size() < count && clock.elapsed() < timeoutMs)
        QTest::qWait(20);
    return device.received.size() >= count;
}

QByteArray TestJsonComm::rpcBody(int index) const
{
    return device.received.value(index).body;
}

// The method of every JSON-RPC call received, in order, joined by '|'.
QByteArray TestJsonComm::rpcMethods() const
{
    static const QRegularExpression method(QStringLiteral(R"re("method" : "([^"]*)")re"));
    QByteArrayList methods;
    for (const CannedHttpServer::Received &request : device.received) {
        const QRegularExpressionMatch match = method.match(QString::fromUtf8(request.body));
        methods.append(match.hasMatch() ? match.captured(1).toUtf8() : request.path);
    }
    return methods.join('|');
}

void TestJsonComm::requestIdsAndEnvelope()
{
    device.setAnswer("/json-rpc.jsn", {200, kSuccess, {}, -1});
    QCOMPARE(client->readSystemTime(target()), 2u);
    QCOMPARE(client->requestFileList(target()), 3u);
    QVERIFY(client->ReadSystemStatus(target()));
    QVERIFY(waitForRequests(3));

    const CannedHttpServer::Received &status = device.received.at(2);
    QVERIFY(status.head.startsWith("POST /json-rpc.jsn HTTP/1.1"));
    QCOMPARE(status.header("content-type"), QByteArray("application/json;charset=UTF-8"));
    QVERIFY(status.header("authorization").isEmpty());
    const QRegularExpression envelope(QStringLiteral(
        R"(^\{ "id" : \d+, "jsonrpc" : "2\.0", "method" : "read system status", )"
        R"("params" : \{ "protocol_version" : 1 \} \}$)"));
    QVERIFY2(envelope.match(QString::fromUtf8(status.body)).hasMatch(), status.body.constData());
}

void TestJsonComm::credentialsGoOnlyToTheDeviceItself_data()
{
    QTest::addColumn<bool>("sameAddress");
    QTest::newRow("another host") << false;
    QTest::newRow("another port of the device address") << true;
}

void TestJsonComm::credentialsGoOnlyToTheDeviceItself()
{
    QFETCH(bool, sameAddress);
    CannedHttpServer elsewhere;
    QVERIFY(elsewhere.listen(sameAddress ? address : QHostAddress(QHostAddress::LocalHost)));
    device.setAnswer("/json-rpc.jsn", {200, kSuccess, {}, 0});
    device.setAnswer("/appHost/webServerSecurityConfigured",
                     {302, {}, "Location: " + elsewhere.url("/security").toUtf8() + "\r\n", 0});
    elsewhere.setAnswer("/security", {200, R"({"value":"true","mode":"http"})", {}, 0});

    ArdentixDevice withCredentials = target();
    withCredentials.setCredentials(QStringLiteral("admin"), QStringLiteral("s3cret:x"));
    withCredentials.secureGwSupport = true;
    ArdentixDevice withoutPassword = target();
    withoutPassword.setCredentials(QStringLiteral("admin"), QString());

    QSignalSpy security(root, &AxSignalObject::_signal_up_security_status);
    client->ReadSystemStatus(withCredentials);
    client->ReadSystemStatus(withoutPassword);
    QTRY_COMPARE(security.count(), 1);

    QCOMPARE(device.received.at(0).header("authorization"),
             "Basic " + QByteArray("admin:s3cret:x").toBase64());
    QVERIFY(device.received.at(1).header("authorization").isEmpty());
    // The redirect led elsewhere: it got the request, not the credentials.
    QCOMPARE(elsewhere.received.size(), 1);
    QVERIFY(elsewhere.received.at(0).header("authorization").isEmpty());
    QCOMPARE(security.at(0).at(1).value<SECURITY_STATUS>(), SECURITY_DISABLED);
}

void TestJsonComm::commandParameters()
{
    device.setAnswer("/json-rpc.jsn", {200, rpcAnswer(R"({"Status":"Error"})"), {}, 0});
    QVERIFY(client->TimeSyncRequest(QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3)), target()));
    QVERIFY(client->UpdateIpSettings(target(), QString(), QStringLiteral("10.0.0.2"), false));
    QVERIFY(client->UpdateIpSettings(target(), QString(), QString(), false));
    client->requestFileList(target());
    client->updateIpSettingsRequest(target(), QStringLiteral("10.0.0.1"), QString(), QString(), 3, false);
    client->updateIpSettingsRequest(target(), QString(), QString(), QStringLiteral("10.0.0.254"), 2, true);
    client->readDataArray(target(), QStringLiteral("DA1"), 5, 10);
    client->readObject(target());
    QVERIFY(waitForRequests(8));

    auto params = [this](int index) {
        const QByteArray body = rpcBody(index);
        return body.mid(body.indexOf("\"params\" : ") + 11).chopped(2);
    };
    QCOMPARE(params(0), QByteArray(R"({ "Day" : "7", "Hour" : "9", "Minute" : "5", "Month" : "12", )"
                                   R"("Second" : "3", "Year" : "2026" })"));
    QCOMPARE(params(1), QByteArray(R"({ "N2 IP Address" : "10.0.0.2" })"));
    QCOMPARE(params(2), QByteArray("{  }"));
    QCOMPARE(params(3), QByteArray(R"({ "print_to_file" : "true", "print_to_screen" : "false", )"
                                   R"("protocol_version" : 2 })"));
    QCOMPARE(params(4), QByteArray(R"({ "N1 IP Address" : "10.0.0.1" })"));
    QCOMPARE(params(5), QByteArray(R"({ "Default Gateway" : "10.0.0.254", "Domain Name Server1" : "9.9.9.9", )"
                                   R"("Domain Name Server2" : "149.112.112.112", )"
                                   R"("N1 DHCP Client State" : "DISABLED" })"));
    QCOMPARE(params(6), QByteArray(R"({ "Display Mode" : "U", "Length" : "10", "Name" : "DA1", "Start" : "5" })"));
    QCOMPARE(params(7), QByteArray(R"({ "Obj_ID" : "2_OID" })"));
    QCOMPARE(rpcMethods(), QByteArray("System Time Synch|update ip settings|update ip settings|list files|"
                                      "update ip settings|update ip settings|Read Data Array|read"));
}

void TestJsonComm::commandGuards()
{
    device.setAnswer("/json-rpc.jsn", {200, kSuccess, {}, -1});
    ArdentixDevice noJson = target();
    noJson.jsonSupport = false;
    QVERIFY(!client->UpdateIpSettings(noJson, QStringLiteral("10.0.0.1"), QString(), true));
    QVERIFY(!client->RestartDevice(noJson));
    QVERIFY(!client->TimeSyncRequest(QDateTime::currentDateTime(), noJson));

    ArdentixDevice duplicate = target();
    duplicate.duplicateIpAddress = true;
    QVERIFY(!client->ReadAuthStatus(duplicate));
    ArdentixDevice userAdded = target();
    userAdded.ipConnectivity = false;
    userAdded.userDevice = true;
    QVERIFY(client->ReadAuthStatus(userAdded));

    QVERIFY(waitForRequests(1));
    QTest::qWait(200);
    QCOMPARE(rpcMethods(), QByteArray("Read Auth Status"));
}

void TestJsonComm::fileNamesStayPaths()
{
    device.setAnswer("/odd%3Fname%23x.txt", {200, QByteArray("a\0b", 3), {}, 0});
    QSignalSpy received(root, &AxSignalObject::_signal_up_file_received);
    client->RequestGeneralFile(QStringLiteral("odd?name#x.txt"), target());
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(device.received.at(0).path, QByteArray("/odd%3Fname%23x.txt"));
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("odd?name#x.txt"));
    QCOMPARE(received.at(0).at(1).toByteArray(), QByteArray("a\0b", 3));
    QCOMPARE(received.at(0).at(2).toBool(), true);
    QCOMPARE(received.at(0).at(3).value<ArdentixDevice>().ipAddress, address);
}

void TestJsonComm::systemStatusProbe_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("followUps");    // requests after the status request
    QTest::addColumn<QString>("reports");         // bus reports in order

    QTest::newRow("success") << 200 << kSuccess << QByteArray("/index.htm|/diagnosticComponent/ui/")
                             << "json";
    QTest::newRow("lower-case success") << 200 << rpcAnswer(R"({"Status":"success"})") << QByteArray() << "";
    QTest::newRow("unknown method") << 200
                                    << QByteArray(R"({"error":{"code":-32601,"message":"Method not found"}})")
                                    << QByteArray() << "";
    QTest::newRow("error and result") << 200
                                      << QByteArray(R"({"error":{"code":5},"result":{"Status":"Success"}})")
                                      << QByteArray() << "";
    QTest::newRow("refused") << 401 << QByteArray("401 Unauthorized") << QByteArray()
                             << "password|axgui true|json";
    QTest::newRow("refused in lower case") << 401 << QByteArray("unauthorized") << QByteArray() << "";
    QTest::newRow("not json") << 200 << QByteArray("<html>") << QByteArray() << "";
    QTest::newRow("result of the wrong type") << 200 << rpcAnswer(R"("Success")") << QByteArray() << "";
    QTest::newRow("status of the wrong type") << 200 << rpcAnswer(R"({"Status":["Success"]})") << QByteArray()
                                              << "";
    QTest::newRow("truncated") << 200 << kSuccess.left(kSuccess.size() - 3) << QByteArray() << "";
}

void TestJsonComm::systemStatusProbe()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, followUps);
    QFETCH(QString, reports);

    device.setAnswer("/json-rpc.jsn", {status, body, {}, 0});
    device.setAnswer("/index.htm", {200, "index", {}, -1});
    device.setAnswer("/diagnosticComponent/ui/", {200, "diag", {}, -1});

    QStringList seen;
    connect(root, &AxSignalObject::_signal_up_json_support, this,
            [&seen](const QString &, bool json, bool auth) { seen << (json && !auth ? "json" : "json?"); });
    connect(root, &AxSignalObject::_signal_up_set_device_password_protection, this,
            [&seen](const QString &, bool on) { seen << (on ? "password" : "no password"); });
    connect(root, &AxSignalObject::_signal_up_axgui_support, this,
            [&seen](const QString &, bool on, bool answered) {
                seen << QStringLiteral("axgui %1%2").arg(on ? "true" : "false", answered ? "" : " unanswered");
            });

    const auto followUpPaths = [this] {
        QByteArrayList paths;
        for (int i = 1; i < device.received.size(); ++i)
            paths << device.received.at(i).path;
        return paths.join('|');
    };
    client->CheckAxguiSupport(target());
    QTRY_COMPARE_WITH_TIMEOUT(seen.join('|'), reports, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(followUpPaths(), followUps, 15000);
    // And nothing more.
    QTest::qWait(400);
    QCOMPARE(seen.join('|'), reports);
    QCOMPARE(followUpPaths(), followUps);
}

void TestJsonComm::secureGatewayDeviceIsAskedForItsSecurity()
{
    device.setAnswer("/json-rpc.jsn", {404, "no such page", {}, 0});
    device.setAnswer("/appHost/webServerSecurityConfigured", {200, {}, {}, -1});
    device.setAnswer("/diagnosticComponent/ui/", {200, {}, {}, -1});
    ArdentixDevice secure = target();
    secure.secureGwSupport = true;
    QSignalSpy json(root, &AxSignalObject::_signal_up_json_support);
    client->ReadSystemStatus(secure);
    QVERIFY(waitForRequests(3));
    QCOMPARE(device.received.at(1).path, QByteArray("/appHost/webServerSecurityConfigured"));
    QCOMPARE(device.received.at(1).header("content-type"), QByteArray("application/json"));
    QCOMPARE(device.received.at(2).path, QByteArray("/diagnosticComponent/ui/"));
    QTest::qWait(200);
    QCOMPARE(json.count(), 0);
}

void TestJsonComm::pagesReportSupport()
{
    QSignalSpy axgui(root, &AxSignalObject::_signal_up_axgui_support);
    QSignalSpy diag(root, &AxSignalObject::_signal_up_diag_support);

    device.setAnswer("/index.htm", {401, "401 Unauthorized", {}, 0});
    device.setAnswer("/diagnosticComponent/ui/", {401, "401 Unauthorized", {}, 0});
    client->RequestIndexPage(target());
    client->RequestDiagnosticsPage(target());
    QTRY_COMPARE(axgui.count() + diag.count(), 2);
    QCOMPARE(axgui.at(0).at(1).toBool(), false);  // a login page is no web interface
    QCOMPARE(axgui.at(0).at(2).toBool(), true);   // but the device answered
    QCOMPARE(diag.at(0).at(1).toBool(), true);    // the diagnostics page asks for a login: it is there

    device.setAnswer("/index.htm", {200, "index", {}, 0});
    device.setAnswer("/diagnosticComponent/ui/", {404, "missing", {}, 0});
    client->RequestIndexPage(target());
    client->RequestDiagnosticsPage(target());
    QTRY_COMPARE(axgui.count() + diag.count(), 4);
    QCOMPARE(axgui.at(1).at(1).toBool(), true);
    QCOMPARE(diag.at(1).at(1).toBool(), false);
    QCOMPARE(diag.at(1).at(2).toBool(), true);

    // Nobody listening: a report without an answer.
    ArdentixDevice silent = target();
    silent.ipAddress = QHostAddress(QStringLiteral("127.0.0.1"));
    client->RequestIndexPage(silent);
    QTRY_COMPARE(axgui.count(), 3);
    QCOMPARE(axgui.at(2).at(1).toBool(), false);
    QCOMPARE(axgui.at(2).at(2).toBool(), false);
}

void TestJsonComm::securityConfiguration_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("reports");

    QTest::newRow("http") << 200 << QByteArray(R"({"value":"true","mode":"http"})") << "axgui true|disabled";
    QTest::newRow("user certificate") << 200 << QByteArray(R"({"value":"true","mode":"https-user-certificate"})")
                                      << "axgui true|https";
    QTest::newRow("default certificate, cloud out of reach")
        << 200 << QByteArray(R"({"value":"true","mode":"https-default-certificate"})") << "axgui true|https";
    QTest::newRow("value false wins over http") << 200 << QByteArray(R"({"value":"false","mode":"http"})")
                                                << "axgui true|https";
    QTest::newRow("mode in other letter case") << 200 << QByteArray(R"({"value":"true","mode":"HTTP"})")
                                               << "axgui true";
    QTest::newRow("empty body") << 200 << QByteArray() << "axgui true|disabled";
    QTest::newRow("garbage") << 200 << QByteArray(R"({"value": "tr)") << "axgui true|disabled";
    QTest::newRow("missing page") << 404 << QByteArray("missing") << "axgui false|disabled";
}

void TestJsonComm::securityConfiguration()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, reports);

    device.setAnswer("/appHost/webServerSecurityConfigured", {status, body, {}, 0});
    device.setAnswer("/diagnosticComponent/ui/", {200, {}, {}, -1});
    QStringList seen;
    connect(root, &AxSignalObject::_signal_up_axgui_support, this,
            [&seen](const QString &, bool on, bool) { seen << (on ? "axgui true" : "axgui false"); });
    connect(root, &AxSignalObject::_signal_up_security_status, this,
            [&seen](const QString &ip, SECURITY_STATUS level, bool answered) {
                static const char *const names[] = {"disabled", "https", "domain failed", "full"};
                QVERIFY(answered);
                QVERIFY(!ip.isEmpty());
                seen << names[level];
            });

    ArdentixDevice secure = target();
    secure.secureGwSupport = true;
    client->ReadSystemStatus(secure);
    QTRY_COMPARE_WITH_TIMEOUT(seen.join('|'), reports, 15000);
    QTest::qWait(300);
    QCOMPARE(seen.join('|'), reports);
}

void TestJsonComm::securityRedirects()
{
    const QByteArray page = "/appHost/webServerSecurityConfigured";
    QStringList seen;
    connect(root, &AxSignalObject::_signal_up_security_status, this,
            [&seen](const QString &, SECURITY_STATUS level, bool) { seen << QString::number(level); });
    ArdentixDevice secure = target();
    secure.secureGwSupport = true;
    secure.setCredentials(QStringLiteral("admin"), QStringLiteral("pw"));

    device.setAnswer("/json-rpc.jsn", {200, kSuccess, {}, 0});
    device.setAnswer("/diagnosticComponent/ui/", {200, {}, {}, -1});

    // A relative location is followed on the device, credentials included.
    device.setAnswer(page, {302, {}, "Location: /appHost/webServerSecurityConfigured?next\r\n", 0});
    device.setAnswer(page + "?next", {200, R"({"value":"true","mode":"https-user-certificate"})", {}, 0});
    client->ReadSystemStatus(secure);
    QTRY_COMPARE(seen.size(), 1);
    QCOMPARE(seen.at(0), QStringLiteral("1"));
    QCOMPARE(device.received.last().path, page + "?next");
    QVERIFY(!device.received.last().header("authorization").isEmpty());

    // A device that redirects to itself is given up after a few rounds.
    device.clear();
    device.setAnswer("/json-rpc.jsn", {200, kSuccess, {}, 0});
    device.setAnswer("/diagnosticComponent/ui/", {200, {}, {}, -1});
    device.setAnswer(page, {302, {}, "Location: " + page + "\r\n", 0});
    client->ReadSystemStatus(secure);
    QTRY_COMPARE(seen.size(), 2);
    QCOMPARE(seen.at(1), QStringLiteral("0"));
    int pageRequests = 0;
    for (const CannedHttpServer::Received &request : std::as_const(device.received))
        pageRequests += request.path == page ? 1 : 0;
    QCOMPARE(pageRequests, 1 + JsonComm::kMaxRedirects);

    // Only web pages are followed, and a redirect naming none ends at once: a
    // local file is never read for a device, nor the same page asked again.
    const QList<QByteArray> nowhere = {"Location: file:///etc/hostname\r\n", ""};
    for (const QByteArray &location : nowhere) {
        device.clear();
        device.setAnswer("/json-rpc.jsn", {200, kSuccess, {}, 0});
        device.setAnswer("/diagnosticComponent/ui/", {200, {}, {}, -1});
        device.setAnswer(page, {302, {}, location, 0});
        const qsizetype before = seen.size();
        client->ReadSystemStatus(secure);
        QTRY_COMPARE(seen.size(), before + 1);
        QCOMPARE(seen.last(), QStringLiteral("0"));
        pageRequests = 0;
        for (const CannedHttpServer::Received &request : std::as_const(device.received))
            pageRequests += request.path == page ? 1 : 0;
        QCOMPARE(pageRequests, 1);
    }
}

void TestJsonComm::authenticationStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("reports");

    const QByteArray readWrite = rpcAnswer(R"({"Status":"Success","Data":{"username":"x","permissions":"read/write"}})");
    QTest::newRow("read/write") << 200 << readWrite << "admin" << "true";
    QTest::newRow("read only") << 200 << rpcAnswer(R"({"Data":{"username":"x","permissions":"read"}})") << "admin"
                               << "";
    QTest::newRow("no user name in answer") << 200 << rpcAnswer(R"({"Data":{"permissions":"read/write"}})")
                                            << "admin" << "";
    QTest::newRow("error object") << 200 << QByteArray(R"({"error":{"code":1,"message":"no"}})") << "admin" << "";
    QTest::newRow("refused") << 401 << QByteArray("401 Unauthorized") << "admin" << "false";
    QTest::newRow("refused without user name") << 401 << QByteArray("401 Unauthorized") << "" << "";
}

void TestJsonComm::authenticationStatus()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, username);
    QFETCH(QString, reports);

    device.setAnswer("/json-rpc.jsn", {status, body, {}, 0});
    QStringList seen;
    connect(root, &AxSignalObject::_signal_up_user_authenticated, this,
            [&seen](const ArdentixDevice &, bool ok) { seen << (ok ? "true" : "false"); });
    ArdentixDevice record = target();
    if (!username.isEmpty())
        record.setCredentials(username, QStringLiteral("pw"));
    QVERIFY(client->ReadAuthStatus(record));
    QVERIFY(waitForRequests(1));
    QTRY_COMPARE_WITH_TIMEOUT(seen.join('|'), reports, 15000);
    QTest::qWait(300);
    QCOMPARE(seen.join('|'), reports);
    QCOMPARE(rpcMethods(), QByteArray("Read Auth Status"));
}

void TestJsonComm::deviceClock_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("reported");
    QTest::addColumn<QDateTime>("expected");

    auto clock = [](const char *time) {
        return rpcAnswer(QByteArray(R"({"RTC Status":"Initialized","Time":")") + time + "\"}");
    };
    QTest::newRow("one-digit day") << clock("Mon Dec  7 09:05:03 2026") << true
                                   << QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3));
    QTest::newRow("two-digit day") << clock("Tue Nov 17 23:59:59 2026") << true
                                   << QDateTime(QDate(2026, 11, 17), QTime(23, 59, 59));
    QTest::newRow("month in upper case") << clock("Mon DEC  7 09:05:03 2026") << true
                                         << QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3));
    QTest::newRow("four-letter month is January") << clock("Mon Sept 17 01:02:03 2026") << true
                                                  << QDateTime(QDate(2026, 1, 17), QTime(1, 2, 3));
    QTest::newRow("day past the month") << clock("Mon Sep 31 01:02:03 2026") << true << QDateTime();
    QTest::newRow("too few fields") << clock("09:05:03 2026") << false << QDateTime();
    QTest::newRow("time without seconds") << clock("Mon Dec 17 09:05 2026") << false << QDateTime();
    QTest::newRow("not initialized") << rpcAnswer(R"({"RTC Status":"Lost","Time":"Mon Dec 17 09:05:03 2026"})")
                                     << false << QDateTime();
    QTest::newRow("unknown method")
        << QByteArray(R"({"error":{"code":-32601},"result":{"RTC Status":"Initialized","Time":"a b c d"}})")
        << false << QDateTime();
    QTest::newRow("time of the wrong type") << rpcAnswer(R"({"RTC Status":"Initialized","Time":{"t":1}})")
                                            << false << QDateTime();
    QTest::newRow("not json") << QByteArray("<html>") << false << QDateTime();
}

void TestJsonComm::deviceClock()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, reported);
    QFETCH(QDateTime, expected);

    device.setAnswer("/json-rpc.jsn", {200, body, {}, 0});
    QSignalSpy time(root, &AxSignalObject::_signal_up_system_time);
    QCOMPARE(client->readSystemTime(target()), 2u);
    QVERIFY(waitForRequests(1));
    QTRY_COMPARE_WITH_TIMEOUT(time.count(), reported ? 1 : 0, 15000);
    QTest::qWait(300);
    QCOMPARE(time.count(), reported ? 1 : 0);
    if (reported) {
        QCOMPARE(time.at(0).at(0).toDateTime(), expected);
        QCOMPARE(time.at(0).at(1).value<ArdentixDevice>().ipAddress, address);
    }
}

void TestJsonComm::genericCallbacks_data()
{
    QTest::addColumn<bool>("readObject");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QVariantMap>("result");

    QTest::newRow("success") << false << 200 << kSuccess << true << QVariantMap{{"Status", "Success"}};
    QTest::newRow("refused by the device") << false << 200 << rpcAnswer(R"({"Status":"Error"})") << false
                                           << QVariantMap{{"Status", "Error"}};
    QTest::newRow("json-rpc error") << false << 200 << QByteArray(R"({"error":{"code":-32601}})") << false
                                    << QVariantMap();
    QTest::newRow("error page") << false << 200 << QByteArray("<html>") << false << QVariantMap();
    QTest::newRow("http error") << false << 500 << kSuccess << false << QVariantMap();
    QTest::newRow("display attributes") << true << 200
                                        << rpcAnswer(R"({"Data":{"Display_Attributes":{"Name":"x"}}})") << true
                                        << QVariantMap{{"Name", "x"}};
    QTest::newRow("no display attributes") << true << 200 << rpcAnswer(R"({"Data":{"Value":1}})") << false
                                           << QVariantMap{{"Data", QVariantMap{{"Value", qulonglong(1)}}}};
}

void TestJsonComm::genericCallbacks()
{
    QFETCH(bool, readObject);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, success);
    QFETCH(QVariantMap, result);

    device.setAnswer("/json-rpc.jsn", {status, body, {}, 0});
    QSignalSpy callback(client, &JsonComm::JsonRequestCallback);
    const quint32 id = readObject ? client->readObject(target()) : client->requestFileList(target());
    QVERIFY(callback.wait(3000));
    QCOMPARE(callback.at(0).at(0).toUInt(), id);
    QCOMPARE(callback.at(0).at(1).toBool(), success);
    QCOMPARE(callback.at(0).at(2).toMap(), result);
}

void TestJsonComm::ipUpdateRestartsOnlyAfterSuccess_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("methods");

    QTest::newRow("accepted") << 200 << kSuccess << QByteArray("update ip settings|system restart");
    QTest::newRow("refused") << 200 << rpcAnswer(R"({"Status":"Error"})") << QByteArray("update ip settings");
    QTest::newRow("json-rpc error") << 200 << QByteArray(R"({"error":{"code":-32000}})")
                                    << QByteArray("update ip settings");
    QTest::newRow("empty body") << 200 << QByteArray() << QByteArray("update ip settings");
    QTest::newRow("http error") << 500 << kSuccess << QByteArray("update ip settings");
}

void TestJsonComm::ipUpdateRestartsOnlyAfterSuccess()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, methods);

    device.setAnswer("/json-rpc.jsn", {status, body, {}, 0});
    QVERIFY(client->UpdateIpSettings(target(), QStringLiteral("10.0.0.9"), QString(), true));
    QTRY_COMPARE_WITH_TIMEOUT(rpcMethods(), methods, 15000);
    QTest::qWait(500);
    QCOMPARE(rpcMethods(), methods);
}

void TestJsonComm::fileReplies()
{
    QSignalSpy received(root, &AxSignalObject::_signal_up_file_received);
    device.setAnswer("/ax_tcp.ini", {404, "missing", {}, 0});
    client->RequestGeneralFile(QStringLiteral("ax_tcp.ini"), target());
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("ax_tcp.ini"));
    QVERIFY(received.at(0).at(1).toByteArray().isEmpty());
    QCOMPARE(received.at(0).at(2).toBool(), false);

    device.setAnswer("/logs/dirlist.txt", {200, "a.txt\nb.txt\n", {}, 0});
    client->RequestGeneralFile(QStringLiteral("logs/dirlist.txt"), target());
    QTRY_COMPARE(received.count(), 2);
    QCOMPARE(received.at(1).at(0).toString(), QStringLiteral("dirlist.txt"));
    QCOMPARE(received.at(1).at(1).toByteArray(), QByteArray("a.txt\nb.txt\n"));
}

void TestJsonComm::oversizedAnswersFail()
{
    const QByteArray huge = rpcAnswer(R"({"Status":"Success","Pad":")"
                                      + QByteArray(AxNetworkAccessManager::kMaxReplyBytes, 'x') + "\"}");
    device.setAnswer("/json-rpc.jsn", {200, huge, {}, 0});
    device.setAnswer("/big.bin", {200, huge, {}, 0});
    QSignalSpy callback(client, &JsonComm::JsonRequestCallback);
    QSignalSpy received(root, &AxSignalObject::_signal_up_file_received);

    // Cut off or, on a slow machine, timed out: a failure either way, the file reported once.
    const quint32 listRequest = client->requestFileList(target());
    client->RequestGeneralFile(QStringLiteral("big.bin"), target());
    const auto listAnswered = [&] {
        for (const QList<QVariant> &arguments : std::as_const(callback)) {
            if (arguments.at(0).toUInt() == listRequest)
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(received.count() == 1 && listAnswered(), 5000);
    QTest::qWait(200);
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(2).toBool(), false);
    QVERIFY(received.at(0).at(1).toByteArray().isEmpty());
    for (const QList<QVariant> &arguments : std::as_const(callback))
        QCOMPARE(arguments.at(1).toBool(), false);
}

void TestJsonComm::timeOutsAreReportedAsFailures()
{
    device.setAnswer("/appHost/webServerSecurityConfigured", {200, {}, {}, -1});
    device.setAnswer("/diagnosticComponent/ui/", {200, {}, {}, -1});
    device.setAnswer("/json-rpc.jsn", {200, kSuccess, {}, 0});
    QSignalSpy callback(client, &JsonComm::JsonRequestCallback);
    QSignalSpy security(root, &AxSignalObject::_signal_up_security_status);
    QSignalSpy diag(root, &AxSignalObject::_signal_up_diag_support);
    QSignalSpy time(root, &AxSignalObject::_signal_up_system_time);

    // The security and diagnostics pages never answer.
    ArdentixDevice secure = target();
    secure.secureGwSupport = true;
    client->ReadSystemStatus(secure);
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(callback.count(), 2, 15000);
    QVERIFY(clock.elapsed() >= 1400);
    QCOMPARE(security.count(), 1);
    QCOMPARE(security.at(0).at(1).value<SECURITY_STATUS>(), SECURITY_DISABLED);
    QCOMPARE(security.at(0).at(2).toBool(), false); // no answer: nothing to stamp
    QCOMPARE(diag.count(), 0);

    // Neither does the clock.
    device.setAnswer("/json-rpc.jsn", {200, kSuccess, {}, -1});
    const quint32 timeRequest = client->readSystemTime(target());
    QTRY_COMPARE_WITH_TIMEOUT(callback.count(), 3, 15000);
    QCOMPARE(callback.at(2).at(0).toUInt(), timeRequest);
    for (const QList<QVariant> &arguments : std::as_const(callback)) {
        QCOMPARE(arguments.at(1).toBool(), false);
        QVERIFY(arguments.at(2).toMap().isEmpty());
    }
    QCOMPARE(time.count(), 0);
    QCOMPARE(security.count(), 1);

    // Nor does a file: its get still ends, once, as not received under its own name.
    QSignalSpy received(root, &AxSignalObject::_signal_up_file_received);
    device.setAnswer("/conf/ax_tcp.ini", {200, "N1_IP = 1.2.3.4", {}, -1});
    client->RequestGeneralFile("conf/ax_tcp.ini", target());
    QTRY_COMPARE_WITH_TIMEOUT(callback.count(), 4, 15000);
    QTest::qWait(300);
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("ax_tcp.ini"));
    QVERIFY(received.at(0).at(1).toByteArray().isEmpty());
    QCOMPARE(received.at(0).at(2).toBool(), false);
    QCOMPARE(received.at(0).at(3).value<ArdentixDevice>().macAddress, target().macAddress);
}

void TestJsonComm::dispatchByReplyType_data()
{
    QTest::addColumn<int>("replyType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("report");

    QTest::newRow("0 none") << 0 << kSuccess << "";
    QTest::newRow("1 index page") << 1 << QByteArray("x") << "axgui";
    QTest::newRow("2 file") << 2 << QByteArray("x") << "file";
    QTest::newRow("3 send file") << 3 << kSuccess << "file sent";
    QTest::newRow("4 system status") << 4 << kSuccess << "json";
    QTest::newRow("5 auth status")
        << 5 << rpcAnswer(R"({"Data":{"username":"u","permissions":"read/write"}})") << "authenticated";
    QTest::newRow("6 dropped") << 6 << kSuccess << "";
    QTest::newRow("7 dropped") << 7 << kSuccess << "";
    QTest::newRow("8 dropped") << 8 << kSuccess << "";
    QTest::newRow("9 callback") << 9 << kSuccess << "callback";
    QTest::newRow("10 update ip") << 10 << kSuccess << "";
    QTest::newRow("11 update ip and restart") << 11 << kSuccess << "";
    QTest::newRow("12 plain answer") << 12 << kSuccess << "";
    QTest::newRow("13 clock") << 13 << rpcAnswer(R"({"RTC Status":"Initialized","Time":"Mon Dec  7 09:05:03 2026"})")
                              << "time";
    QTest::newRow("14 read callback") << 14 << kSuccess << "callback";
    QTest::newRow("15 diagnostics page") << 15 << QByteArray("x") << "diag";
    QTest::newRow("16 security") << 16 << QByteArray(R"({"value":"true","mode":"http"})") << "axgui|security";
    QTest::newRow("17 secure domain") << 17 << QByteArray("x") << "security";
    QTest::newRow("18 unknown") << 18 << kSuccess << "";
}

void TestJsonComm::dispatchByReplyType()
{
    QFETCH(int, replyType);
    QFETCH(QByteArray, body);
    QFETCH(QString, report);

    // A request that stays pending gives the entry the dispatched reply belongs to.
    device.setAnswer("/index.htm", {200, {}, {}, -1});
    device.setAnswer("/answer", {200, body, {}, 0});
    ArdentixDevice pendingDevice = target();
    pendingDevice.setCredentials(QStringLiteral("u"), QStringLiteral("p"));
    client->RequestIndexPage(pendingDevice);
    QVERIFY(waitForRequests(1));

    QStringList seen;
    connect(root, &AxSignalObject::_signal_up_axgui_support, this, [&seen] { seen << "axgui"; });
    connect(root, &AxSignalObject::_signal_up_diag_support, this, [&seen] { seen << "diag"; });
    connect(root, &AxSignalObject::_signal_up_json_support, this, [&seen] { seen << "json"; });
    connect(root, &AxSignalObject::_signal_up_security_status, this, [&seen] { seen << "security"; });
    connect(root, &AxSignalObject::_signal_up_file_received, this, [&seen] { seen << "file"; });
    connect(root, &AxSignalObject::_signal_up_system_time, this, [&seen] { seen << "time"; });
    connect(root, &AxSignalObject::_signal_up_user_authenticated, this, [&seen] { seen << "authenticated"; });
    connect(client, &JsonComm::JsonRequestCallback, this, [&seen] { seen << "callback"; });
    connect(client, &JsonComm::FileSendComplete, this, [&seen] { seen << "file sent"; });

    QNetworkAccessManager manager;
    QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(device.url("/answer"))));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(3000));
    QPointer<QNetworkReply> guard(reply);

    AX_NETWORK_REPLY record;
    record.reply = reply;
    record.requestId = 2;
    record.replyType = quint32(replyType);
    QVERIFY(QMetaObject::invokeMethod(client, "ProcessNetworkRepsponse", Q_ARG(AX_NETWORK_REPLY, record)));
    QCOMPARE(seen.join('|'), report);
    QTRY_VERIFY(guard.isNull());

    // The entry is gone once any type but 0 and above 17 took it.
    QSignalSpy time(root, &AxSignalObject::_signal_up_system_time);
    device.setAnswer("/answer", {200, rpcAnswer(R"({"RTC Status":"Initialized","Time":"Mon Dec  7 09:05:03 2026"})"),
                                 {}, 0});
    QNetworkReply *clockReply = manager.get(QNetworkRequest(QUrl(device.url("/answer"))));
    QVERIFY(QSignalSpy(clockReply, &QNetworkReply::finished).wait(3000));
    record.reply = clockReply;
    record.replyType = REPLY_SYSTEM_TIME;
    QVERIFY(QMetaObject::invokeMethod(client, "ProcessNetworkRepsponse", Q_ARG(AX_NETWORK_REPLY, record)));
    QCOMPARE(time.count(), 1);
    const bool taken = replyType >= 1 && replyType <= 17;
    QCOMPARE(time.at(0).at(1).value<ArdentixDevice>().ipAddress.isNull(), taken);
}

QTEST_GUILESS_MAIN(TestJsonComm)
#include "tst_jsoncomm.moc"
