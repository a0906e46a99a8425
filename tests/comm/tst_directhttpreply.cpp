#include "cannedhttpserver.h"
#include "comm/json/directhttpreply.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

// The device HTTP client against a loopback server, answer by answer, read
// the way our callers read a reply and compared with what the network access
// manager makes of the same answer.
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
        finished.wait(5000);
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
}

void TestDirectHttpReply::readsAsTheManagerDoes()
{
    QFETCH(CannedHttpServer::Answer, answer);
    server.setAnswer("/page", answer);
    QVERIFY(DirectHttpReply::handles(request("/page")));

    const Outcome expected = await(manager.get(request("/page")));
    const Outcome got = await(new DirectHttpReply(QNetworkAccessManager::GetOperation, request("/page"), {}, 1000));
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

QTEST_MAIN(TestDirectHttpReply)
#include "tst_directhttpreply.moc"
