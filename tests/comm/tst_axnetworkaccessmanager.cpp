#include "cannedhttpserver.h"
#include "comm/json/axnetworkaccessmanager.h"

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QPointer>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <utility>

// The request watcher's reports and deadline, with short injected deadlines
// against a loopback server.
class TestAxNetworkAccessManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void finishedReplyIsReportedOnceWithItsAttributes();
    void requestWithoutAttributesReportsZeros();
    void lateButInTimeReplyIsComplete();
    void unansweredReplyTimesOutAfterItsDeadline();
    void requestsBeyondTheLimitWaitTheirTurn();
    void oversizedBodyIsCutOffOrLeftForTheReader();
    void stopEndsReportsAndDeletesTheWatcher();

private:
    static QNetworkRequest request(const QString &url, quint32 id, quint32 type);

    CannedHttpServer server;
};

void TestAxNetworkAccessManager::initTestCase()
{
    QVERIFY(server.listen());
    server.setAnswer("/fast", {200, R"({"result":{"Status":"Success"}})", {}, 0});
    server.setAnswer("/late", {200, "late", {}, 250});
    server.setAnswer("/never", {200, {}, {}, -1});
    server.setAnswer("/big", {200, QByteArray(4 * AxNetworkAccessManager::kMaxReplyBytes, 'x'), {}, 0});
}

QNetworkRequest TestAxNetworkAccessManager::request(const QString &url, quint32 id, quint32 type)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(AxNetworkAccessManager::RequestIdAttribute, id);
    request.setAttribute(AxNetworkAccessManager::ReplyTypeAttribute, type);
    return request;
}

void TestAxNetworkAccessManager::finishedReplyIsReportedOnceWithItsAttributes()
{
    AxNetworkAccessManager *watcher = new AxNetworkAccessManager(2000);
    QSignalSpy complete(watcher, &AxNetworkAccessManager::RequestComplete);
    QSignalSpy timedOut(watcher, &AxNetworkAccessManager::RequestTimeOut);

    watcher->post(request(server.url("/fast"), 42, 9), "{}");
    watcher->get(request(server.url("/fast"), 43, 4));
    QTRY_COMPARE(complete.count(), 2);
    QTest::qWait(300);
    QCOMPARE(complete.count(), 2);
    QCOMPARE(timedOut.count(), 0);

    // Both go out at once on their own connections: either may finish first.
    AX_NETWORK_REPLY first = complete.at(0).at(0).value<AX_NETWORK_REPLY>();
    AX_NETWORK_REPLY second = complete.at(1).at(0).value<AX_NETWORK_REPLY>();
    if (first.requestId > second.requestId)
        std::swap(first, second);
    QCOMPARE(first.requestId, 42u);
    QCOMPARE(first.replyType, 9u);
    QCOMPARE(second.requestId, 43u);
    QCOMPARE(second.replyType, 4u);
    QVERIFY(first.reply->isFinished());
    QCOMPARE(first.reply->error(), QNetworkReply::NoError);
    QCOMPARE(first.reply->readAll(), QByteArray(R"({"result":{"Status":"Success"}})"));
    QVERIFY(first.deadline > QDateTime::currentMSecsSinceEpoch() - 2000);
    watcher->stop();
}

void TestAxNetworkAccessManager::requestWithoutAttributesReportsZeros()
{
    AxNetworkAccessManager *watcher = new AxNetworkAccessManager(2000);
    QSignalSpy complete(watcher, &AxNetworkAccessManager::RequestComplete);
    watcher->get(QNetworkRequest(QUrl(server.url("/fast"))));
    QTRY_COMPARE(complete.count(), 1);
    const AX_NETWORK_REPLY record = complete.at(0).at(0).value<AX_NETWORK_REPLY>();
    QCOMPARE(record.requestId, 0u);
    QCOMPARE(record.replyType, 0u);
    watcher->stop();
}

void TestAxNetworkAccessManager::lateButInTimeReplyIsComplete()
{
    // Well past the answer's delay: a busy machine can hold the loop back a second.
    AxNetworkAccessManager *watcher = new AxNetworkAccessManager(2000);
    QSignalSpy complete(watcher, &AxNetworkAccessManager::RequestComplete);
    QSignalSpy timedOut(watcher, &AxNetworkAccessManager::RequestTimeOut);
    watcher->get(request(server.url("/late"), 7, 2));
    QTRY_COMPARE(complete.count(), 1);
    QTest::qWait(2200);
    QCOMPARE(complete.count(), 1);
    QCOMPARE(timedOut.count(), 0);
    watcher->stop();
}

void TestAxNetworkAccessManager::unansweredReplyTimesOutAfterItsDeadline()
{
    const int deadline = 400;
    AxNetworkAccessManager *watcher = new AxNetworkAccessManager(deadline);
    QCOMPARE(watcher->deadlineMs(), deadline);
    QSignalSpy complete(watcher, &AxNetworkAccessManager::RequestComplete);
    QSignalSpy timedOut(watcher, &AxNetworkAccessManager::RequestTimeOut);

    QElapsedTimer clock;
    clock.start();
    watcher->get(request(server.url("/never"), 11, 16));
    QVERIFY(timedOut.wait(10000));
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed > deadline, qPrintable(QString::number(elapsed)));
    // Checked every 100 ms; a busy machine can hold the loop back a second.
    QVERIFY2(elapsed < deadline + 1500, qPrintable(QString::number(elapsed)));

    const AX_NETWORK_REPLY record = timedOut.at(0).at(0).value<AX_NETWORK_REPLY>();
    QCOMPARE(timedOut.at(0).at(1).toUInt(), 11u);
    QCOMPARE(record.requestId, 11u);
    QCOMPARE(record.replyType, 16u);

    // Aborted and released in its own thread; reported once, never as complete.
    QPointer<QNetworkReply> reply(record.reply);
    QTRY_VERIFY(reply.isNull());
    QTest::qWait(300);
    QCOMPARE(timedOut.count(), 1);
    QCOMPARE(complete.count(), 0);
    watcher->stop();
}

// A full wire: the next request goes when a slot frees, and its deadline runs
// from then, however long it waited.
void TestAxNetworkAccessManager::requestsBeyondTheLimitWaitTheirTurn()
{
    const int limit = AxNetworkAccessManager::kMaxInFlight;
    const int deadline = 400;
    AxNetworkAccessManager *watcher = new AxNetworkAccessManager(deadline);
    QSignalSpy complete(watcher, &AxNetworkAccessManager::RequestComplete);
    QSignalSpy timedOut(watcher, &AxNetworkAccessManager::RequestTimeOut);
    server.received.clear();
    QElapsedTimer clock;
    clock.start();
    // Numbered apart from the waiting request, so the reports tell them apart.
    const quint32 first = 1001;
    for (quint32 id = first; id < first + quint32(limit); ++id)
        watcher->get(request(server.url("/never"), id, 1));
    watcher->get(request(server.url("/fast"), 100, 1));

    // It goes once a slot frees, at the first of the deadlines: the others may
    // fall in a later check.
    QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 1, 30000);
    QVERIFY2(clock.elapsed() > deadline, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(complete.at(0).at(0).value<AX_NETWORK_REPLY>().requestId, 100u);
    QVERIFY(!timedOut.isEmpty());   // a slot freed before it went
    QTRY_COMPARE_WITH_TIMEOUT(timedOut.count(), limit, 30000);
    QSet<quint32> ids, expected;
    for (const QList<QVariant> &arguments : std::as_const(timedOut))
        ids.insert(arguments.at(1).toUInt());
    for (quint32 id = first; id < first + quint32(limit); ++id)
        expected.insert(id);
    QCOMPARE(ids, expected);
    QCOMPARE(std::count_if(server.received.cbegin(), server.received.cend(),
                           [](const CannedHttpServer::Received &request) { return request.path == "/fast"; }),
             1);
    watcher->stop();
}

void TestAxNetworkAccessManager::oversizedBodyIsCutOffOrLeftForTheReader()
{
    AxNetworkAccessManager *watcher = new AxNetworkAccessManager(30000);
    QSignalSpy complete(watcher, &AxNetworkAccessManager::RequestComplete);
    watcher->get(request(server.url("/big"), 5, 2));
    QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 1, 30000);
    const AX_NETWORK_REPLY record = complete.at(0).at(0).value<AX_NETWORK_REPLY>();
    // Aborted while it streams in, or whole already: never a normal short reply.
    QVERIFY(record.reply->error() == QNetworkReply::OperationCanceledError
            || record.reply->bytesAvailable() > AxNetworkAccessManager::kMaxReplyBytes);
    watcher->stop();
}

void TestAxNetworkAccessManager::stopEndsReportsAndDeletesTheWatcher()
{
    AxNetworkAccessManager *watcher = new AxNetworkAccessManager(300);
    QPointer<AxNetworkAccessManager> guard(watcher);
    QSignalSpy complete(watcher, &AxNetworkAccessManager::RequestComplete);
    QSignalSpy timedOut(watcher, &AxNetworkAccessManager::RequestTimeOut);
    watcher->get(request(server.url("/never"), 1, 1));
    watcher->get(request(server.url("/late"), 2, 1));
    watcher->stop();
    QTRY_VERIFY(guard.isNull());
    QTest::qWait(600);
    QCOMPARE(complete.count(), 0);
    QCOMPARE(timedOut.count(), 0);
}

QTEST_GUILESS_MAIN(TestAxNetworkAccessManager)
#include "tst_axnetworkaccessmanager.moc"
