#include "cannedhttpserver.h"
#include "comm/json/axnetworkaccessmanager.h"
#include "comm/json/directhttpreply.h"
#include "gatewaytestbed.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

// The device HTTP client against a loopback server, answer by answer, read
// the way our callers read a reply and compared with what the network access
// manager makes of the same answer; hostile answers end as errors while the
// event loop keeps turning, here and from the emulator across a network.
class TestDirectHttpReply : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsAsTheManagerDoes_data();
    void readsAsTheManagerDoes();
    void sendsTheRequestAsGiven();
    void endsEarlyWhenCutOrAborted_data();
    void endsEarlyWhenCutOrAborted();
    void hostileAnswerEndsAsError_data();
    void hostileAnswerEndsAsError();
    void hostileDeviceEndsByTheDeadline_data();
    void hostileDeviceEndsByTheDeadline();

private:
    struct Outcome {
        QNetworkReply::NetworkError error;
        QString errorString;
        QVariant status, reason, redirect;
        QByteArray contentType, body;
        int finishedCount;
    };
    Outcome await(QNetworkReply *reply);
    QNetworkRequest request(const QByteArray &path) const;

    CannedHttpServer server;
    QNetworkAccessManager manager;
};

namespace {

// The longest the event loop went without turning, while it runs.
class LoopGapWatch
{
public:
    LoopGapWatch()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] { longest = qMax(longest, clock.restart()); });
        clock.start();
        timer.start(5);
    }
    qint64 longestGapMs() const { return qMax(longest, clock.elapsed()); }

private:
    QTimer timer;
    QElapsedTimer clock;
    qint64 longest = 0;
};

// Robust under load, and far below the stalls of a parser that takes all at once.
const qint64 kLongestGapMs = 1000;

} // namespace

void TestDirectHttpReply::initTestCase()
{
    QVERIFY(server.listen());
}

QNetworkRequest TestDirectHttpReply::request(const QByteArray &path) const
{
    QNetworkRequest request{QUrl(server.url(path))};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::User, 7);
    return request;
}

TestDirectHttpReply::Outcome TestDirectHttpReply::await(QNetworkReply *reply)
{
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(AxNetworkAccessManager::kDefaultDeadlineMs);
    QTest::qWait(50); // a second finished() would come now
    Outcome outcome{reply->error(), reply->errorString(),
                    reply->attribute(QNetworkRequest::HttpStatusCodeAttribute),
                    reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute),
                    reply->attribute(QNetworkRequest::RedirectionTargetAttribute),
                    reply->rawHeader("Content-Type"), reply->readAll(), int(finished.count())};
    reply->deleteLater();
    return outcome;
}

void TestDirectHttpReply::readsAsTheManagerDoes_data()
{
    QTest::addColumn<CannedHttpServer::Answer>("answer");
    const auto raw = [](QList<QByteArray> pieces) { return CannedHttpServer::Answer{200, {}, {}, 0, pieces}; };
    QTest::newRow("head split across reads") << raw({"HTTP/1.1 200 OK\r\nContent-Ty", "pe: text/plain\r\nContent-Le",
                                                     "ngth: 5\r\n\r\nhel", "lo"});
    QTest::newRow("chunked") << raw({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel",
                                     "lo\r\n6\r\n world\r\n0\r\n\r\n"});
    QTest::newRow("ended by the close") << raw({"HTTP/1.1 200 OK\r\n\r\nhello ", "until the close"});
    QTest::newRow("cut short") << raw({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"});
    QTest::newRow("refused") << CannedHttpServer::Answer{401, "401 Unauthorized",
                                                         "WWW-Authenticate: Basic realm=\"gw\"\r\n", 0};
    QTest::newRow("refused without a challenge") << CannedHttpServer::Answer{401, "401 Unauthorized", {}, 0};
    QTest::newRow("missing") << CannedHttpServer::Answer{404, "not here", {}, 0};
    QTest::newRow("server error") << raw({"HTTP/1.1 503 Busy\r\nContent-Length: 4\r\n\r\nbusy"});
    QTest::newRow("redirect") << CannedHttpServer::Answer{302, {}, "Location: /elsewhere?a=1\r\n", 0};
    QTest::newRow("interim answer first") << raw({"HTTP/1.1 100 Continue\r\nContent-Type: text/interim\r\n\r\n",
                                                  "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
    QTest::newRow("length stated twice alike") << raw({"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n"
                                                       "Content-Length: 2\r\n\r\nok"});
    QTest::newRow("long body ended by the close") << raw({"HTTP/1.1 200 OK\r\n\r\n" + QByteArray(300000, 'b')});
}

void TestDirectHttpReply::readsAsTheManagerDoes()
{
    QFETCH(CannedHttpServer::Answer, answer);
    server.setAnswer("/page", answer);
    QVERIFY(DirectHttpReply::handles(request("/page")));

    const Outcome expected = await(manager.get(request("/page")));
    const Outcome got = await(new DirectHttpReply(QNetworkAccessManager::GetOperation, request("/page"), {}, 1 << 20));
    QCOMPARE(got.error, expected.error);
    QCOMPARE(got.errorString, expected.errorString);
    QCOMPARE(got.status, expected.status);
    QCOMPARE(got.reason, expected.reason);
    QCOMPARE(got.redirect, expected.redirect);
    QCOMPARE(got.contentType, expected.contentType);
    QCOMPARE(got.body, expected.body);
    QCOMPARE(got.finishedCount, 1);
}

void TestDirectHttpReply::sendsTheRequestAsGiven()
{
    server.setAnswer("/rpc", {200, "{}", {}, 0});
    server.received.clear();
    QNetworkRequest sent = request("/rpc");
    sent.setRawHeader("Authorization", "Basic dTpw");
    sent.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json;charset=UTF-8"));
    DirectHttpReply *reply = new DirectHttpReply(QNetworkAccessManager::PostOperation, sent, "{\"id\":1}", 1000);
    QCOMPARE(reply->request().attribute(QNetworkRequest::User).toInt(), 7);
    QCOMPARE(await(reply).body, QByteArray("{}"));

    QCOMPARE(server.received.size(), 1);
    const CannedHttpServer::Received &received = server.received.first();
    QVERIFY(received.head.startsWith("POST /rpc HTTP/1.1\r\n"));
    QCOMPARE(received.header("Host"), QUrl(server.url("/")).authority().toLatin1());
    QCOMPARE(received.header("Authorization"), QByteArray("Basic dTpw"));
    QCOMPARE(received.header("Content-Type"), QByteArray("application/json;charset=UTF-8"));
    QCOMPARE(received.body, QByteArray("{\"id\":1}"));
}

void TestDirectHttpReply::endsEarlyWhenCutOrAborted_data()
{
    QTest::addColumn<CannedHttpServer::Answer>("answer");
    QTest::addColumn<bool>("abort");
    QTest::newRow("body past the limit") << CannedHttpServer::Answer{200, QByteArray(5000, 'x'), {}, 0} << false;
    QTest::newRow("aborted while waiting") << CannedHttpServer::Answer{200, {}, {}, -1} << true;
}

void TestDirectHttpReply::endsEarlyWhenCutOrAborted()
{
    QFETCH(CannedHttpServer::Answer, answer);
    QFETCH(bool, abort);
    server.setAnswer("/early", answer);
    DirectHttpReply *reply = new DirectHttpReply(QNetworkAccessManager::GetOperation, request("/early"), {}, 1000);
    if (abort)
        QTimer::singleShot(100, reply, &QNetworkReply::abort);
    const Outcome outcome = await(reply);
    QCOMPARE(outcome.error, QNetworkReply::OperationCanceledError);
    QCOMPARE(outcome.finishedCount, 1);
}

void TestDirectHttpReply::hostileAnswerEndsAsError_data()
{
    QTest::addColumn<CannedHttpServer::Answer>("answer");
    QTest::addColumn<QNetworkReply::NetworkError>("error");
    const auto raw = [](const QByteArray &start, const QByteArray &repeat = {}) {
        return CannedHttpServer::Answer{200, {}, {}, 0, {start}, repeat};
    };
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    QByteArray manyFields = ok;
    for (int i = 0; manyFields.size() < 1024 * 1024; ++i)
        manyFields += "X-Field-" + QByteArray::number(i) + ": value\r\n";

    const auto failure = QNetworkReply::ProtocolFailure;
    QTest::newRow("1 MB of distinct headers") << raw(manyFields + "\r\n") << failure;
    QTest::newRow("one header, repeated") << raw(ok, "X-Again: again\r\n") << failure;
    QTest::newRow("endless interim answers") << raw("HTTP/1.1 100 Continue\r\n\r\n", "HTTP/1.1 100 Continue\r\n\r\n")
                                            << failure;
    QTest::newRow("header line without end") << raw(ok + "X-Endless: ", "a") << failure;
    QTest::newRow("status line without end") << raw("HTTP/1.1 200 ", "a") << failure;
    QTest::newRow("chunk size without end") << raw(chunked, "0") << failure;
    QTest::newRow("trailer without end") << raw(chunked + "0\r\n", "X-Trailer: 1\r\n") << failure;
    QTest::newRow("two lengths") << raw(ok + "Content-Length: 2\r\nContent-Length: 5\r\n\r\nhello") << failure;
    QTest::newRow("chunk longer than its size") << raw(chunked + "2\r\nhello\r\n0\r\n\r\n") << failure;
    QTest::newRow("length past the limit") << raw(ok + "Content-Length: 100000\r\n\r\n")
                                          << QNetworkReply::OperationCanceledError;
    QTest::newRow("redirect to a file") << CannedHttpServer::Answer{302, {}, "Location: file:///etc/passwd\r\n", 0}
                                        << QNetworkReply::NoError;
}

void TestDirectHttpReply::hostileAnswerEndsAsError()
{
    QFETCH(CannedHttpServer::Answer, answer);
    QFETCH(QNetworkReply::NetworkError, error);
    server.setAnswer("/hostile", answer);
    LoopGapWatch watch;
    const Outcome outcome =
        await(new DirectHttpReply(QNetworkAccessManager::GetOperation, request("/hostile"), {}, 1000));
    QCOMPARE(outcome.error, error);
    QCOMPARE(outcome.finishedCount, 1);
    QVERIFY(outcome.redirect.isNull());
    QVERIFY2(watch.longestGapMs() < kLongestGapMs, qPrintable(QString::number(watch.longestGapMs())));
}

void TestDirectHttpReply::hostileDeviceEndsByTheDeadline_data()
{
    QTest::addColumn<QString>("mode");
    for (const char *mode : {"many-headers", "repeated-header", "endless-continue", "endless-line"})
        QTest::newRow(mode) << QString::fromLatin1(mode);
}

// Through the request watcher, as every device request goes.
void TestDirectHttpReply::hostileDeviceEndsByTheDeadline()
{
    QFETCH(QString, mode);
    GatewayTestBed bed;
    AX_REQUIRE_TESTBED(bed);
    QString error;
    QVERIFY2(bed.startEmulator({"--http", "--http-hostile", mode}, &error), qPrintable(error));

    AxNetworkAccessManager *watcher = new AxNetworkAccessManager;
    QSignalSpy complete(watcher, &AxNetworkAccessManager::RequestComplete);
    QSignalSpy timedOut(watcher, &AxNetworkAccessManager::RequestTimeOut);
    LoopGapWatch watch;
    watcher->get(QNetworkRequest(QUrl("http://" + bed.gatewayAddress() + "/json-rpc.jsn")));
    QTRY_COMPARE_WITH_TIMEOUT(complete.count() + timedOut.count(), 1, watcher->deadlineMs() + 1000);
    QCOMPARE(complete.count(), 1);
    QNetworkReply *reply = complete.at(0).at(0).value<AX_NETWORK_REPLY>().reply;
    QCOMPARE(reply->error(), QNetworkReply::ProtocolFailure);
    reply->deleteLater();
    watcher->stop();
    QVERIFY2(watch.longestGapMs() < kLongestGapMs, qPrintable(QString::number(watch.longestGapMs())));
}

QTEST_MAIN(TestDirectHttpReply)
#include "tst_directhttpreply.moc"
