#include "comm/axcomm.h"

#include "model/ardentixdevice.h"

#include "commtestbed.h"
#include "testfiles.h"

#include <QtTest>

// Where the communications manager sends each device request: JSON-RPC, VEK
// through the device's adapter, or nowhere. The manager runs in namespace A,
// the emulator (VEK and web side) in B; the emulator's log shows what arrived.
class TestAxCommRouting : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void restartTakesTheUsablePath();
    void timeAndClockOnlyOverJson();
    void vekSetIpRestartsOnceAfterTheAcknowledge();
    void filesAreFetchedOverTheUsablePath();
    void vekFilesAreSentOneAfterTheOther();
    void vekFileRequestWithTooFewNamesIsDropped();
    void flashSizeSnapshotAbortAndForcedCheck();

private:
    // Starts the emulator as one gateway at B's own address and discovers it.
    ArdentixDevice discoverGateway();
    int countLines(const QString &pattern) const;

    QScopedPointer<CommTestBed> bed;
    AxComm *comm = nullptr;
    ArdentixDevice found;   // the gateway, as discovery reported it
};

namespace {

const char *const kGatewayMac = "02:A0:00:00:00:01";

} // namespace

void TestAxCommRouting::init()
{
    bed.reset(new CommTestBed);
    AX_REQUIRE_TESTBED(*bed);
    found = discoverGateway();
    QVERIFY(!found.macAddress.isEmpty());
}

void TestAxCommRouting::cleanup()
{
    delete comm;
    comm = nullptr;
    bed.reset();
}

ArdentixDevice TestAxCommRouting::discoverGateway()
{
    if (!bed->startEmulator({"--http"}))
        return ArdentixDevice();
    comm = new AxComm(nullptr, &bed->root);
    comm->startListening(QHostAddress(QStringLiteral("255.255.255.255")));
    QSignalSpy found(comm, &AxComm::deviceFound);
    QTest::qWait(100); // the capture thread is reading
    comm->vekPing();
    if (!found.wait(5000))
        return ArdentixDevice();
    return found.at(0).at(0).value<ArdentixDevice>();
}

int TestAxCommRouting::countLines(const QString &pattern) const
{
    return bed->countLines(pattern);
}

void TestAxCommRouting::restartTakesTheUsablePath()
{
    QCOMPARE(found.macAddress, QString(kGatewayMac));
    QVERIFY(found.vekConnectivity && found.ipConnectivity);

    ArdentixDevice json = found;
    json.jsonSupport = true;
    comm->RestartDevice(json);
    QTRY_COMPARE(countLines("^HTTP 10\\.77\\.0\\.2 rpc system restart "), 1);

    // A user-added device is reached over JSON-RPC without IP connectivity.
    ArdentixDevice userAdded = json;
    userAdded.ipConnectivity = false;
    userAdded.userDevice = true;
    comm->RestartDevice(userAdded);
    QTRY_COMPARE(countLines("^HTTP 10\\.77\\.0\\.2 rpc system restart "), 2);

    // Not reachable over IP: VEK through the adapter that saw it.
    ArdentixDevice duplicate = json;
    duplicate.duplicateIpAddress = true;
    comm->RestartDevice(duplicate);
    QTRY_COMPARE(countLines("^KOV 02:A0:00:00:00:01 49 "), 1);
    ArdentixDevice vekOnly = found;
    comm->RestartDevice(vekOnly);
    QTRY_COMPARE(countLines("^KOV 02:A0:00:00:00:01 49 "), 2);

    // Neither path, or an adapter nobody has: dropped.
    ArdentixDevice unreachable = found;
    unreachable.vekConnectivity = false;
    comm->RestartDevice(unreachable);
    ArdentixDevice elsewhere = found;
    elsewhere.localAdapterMac = QStringLiteral("02:00:00:00:00:99");
    comm->RestartDevice(elsewhere);
    QTest::qWait(500);
    QCOMPARE(countLines("^KOV 02:A0:00:00:00:01 49 "), 2);
    QCOMPARE(countLines("rpc system restart "), 2);
}

void TestAxCommRouting::timeAndClockOnlyOverJson()
{
    QSignalSpy time(&bed->root, &AxSignalObject::_signal_up_system_time);

    comm->DeviceTimeSync(QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3)), found);
    comm->readSystemTimeRequest(found);
    QTest::qWait(500);
    QCOMPARE(countLines("^HTTP "), 0);

    ArdentixDevice json = found;
    json.jsonSupport = true;
    comm->DeviceTimeSync(QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3)), json);
    QTRY_COMPARE(countLines("rpc System Time Synch "), 1);
    comm->readSystemTimeRequest(json);
    QVERIFY(time.wait(5000));
    QCOMPARE(time.at(0).at(0).toDateTime().date(), QDate(2026, 12, 7));
}

void TestAxCommRouting::vekSetIpRestartsOnceAfterTheAcknowledge()
{
    QSignalSpy acks(comm, &AxComm::vekAckReceived);

    comm->SetDeviceIp(found, QStringLiteral("not an address"), QString(), true);
    comm->SetDeviceIp(found, QString(), QStringLiteral("10.77.0.9"), true);
    QTest::qWait(300);
    QCOMPARE(countLines("^KOV 02:A0:00:00:00:01 9a "), 0);

    // The second address does not travel over VEK.
    comm->SetDeviceIp(found, QStringLiteral("10.77.0.9"), QStringLiteral("10.78.0.9"), true);
    const QString addressHex = QString::fromLatin1(QByteArray("10.77.0.9").toHex());
    QTRY_COMPARE(countLines("^KOV 02:A0:00:00:00:01 9a .*" + addressHex), 1);
    QCOMPARE(countLines("31302e37382e302e39"), 0);
    // The set-IP acknowledge brings the restart, and the restart its own
    // acknowledge; both can arrive before the first check runs.
    QTRY_COMPARE(countLines("^KOV 02:A0:00:00:00:01 49 "), 1);
    QTRY_COMPARE(acks.count(), 2);

    // Another acknowledge from the device restarts nothing more.
    comm->AbortBridgeSnapshot(found);
    QTRY_COMPARE(acks.count(), 3);
    QTest::qWait(300);
    QCOMPARE(countLines("^KOV 02:A0:00:00:00:01 49 "), 1);
}

void TestAxCommRouting::filesAreFetchedOverTheUsablePath()
{
    QSignalSpy received(&bed->root, &AxSignalObject::_signal_up_file_received);

    ArdentixDevice json = found;
    json.jsonSupport = true;
    comm->getFileRequest(QStringLiteral("index.htm"), json);
    QVERIFY(received.wait(5000));
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("index.htm"));
    QCOMPARE(received.at(0).at(2).toBool(), true);
    QVERIFY(received.at(0).at(1).toByteArray().contains("Web interface"));
    QCOMPARE(countLines("^HTTP 10\\.77\\.0\\.2 GET /index.htm "), 1);

    ArdentixDevice nowhere = found;
    nowhere.vekConnectivity = false;
    comm->getFileRequest(QStringLiteral("index.htm"), nowhere);
    QTest::qWait(300);
    QCOMPARE(received.count(), 1);
    QCOMPARE(countLines("^HTTP "), 1);
}

void TestAxCommRouting::vekFilesAreSentOneAfterTheOther()
{

    QStringList local;
    for (const char *name : {"a.cfg", "b.cfg", "c.cfg"}) {
        local << bed->sandbox().filePath(QString::fromLatin1(name));
        QVERIFY(writeTestFile(local.last(), QByteArray(700, name[0])));
    }
    QSignalSpy complete(&bed->root, &AxSignalObject::_signal_up_file_send_complete);
    comm->sendFileRequest(local, {"a.cfg", "b.cfg", "c.cfg"}, found);

    QStringList finished;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            finished.clear();
            for (const QList<QVariant> &arguments : std::as_const(complete)) {
                if (arguments.at(1).value<FILE_TRANSFER_STATE>() != FILE_TRANSFER_IN_PROGRESS)
                    finished << QFileInfo(arguments.at(0).toString()).fileName() + '='
                                    + QString::number(arguments.at(1).toInt());
            }
            return finished.size() == 3;
        }(),
        20000);
    QCOMPARE(finished, QStringList({"a.cfg=2", "b.cfg=2", "c.cfg=2"}));
    QTest::qWait(500);
    QCOMPARE(finished.size(), 3);
}

void TestAxCommRouting::vekFileRequestWithTooFewNamesIsDropped()
{
    const QString file = bed->sandbox().filePath(QStringLiteral("a.cfg"));
    QVERIFY(writeTestFile(file, "data"));

    QSignalSpy complete(&bed->root, &AxSignalObject::_signal_up_file_send_complete);
    comm->sendFileRequest({file, file}, {"a.cfg"}, found);
    QTest::qWait(1000);
    QCOMPARE(complete.count(), 0);
    QCOMPARE(countLines("^FILE "), 0);
}

void TestAxCommRouting::flashSizeSnapshotAbortAndForcedCheck()
{

    comm->vekGetFlashSize(found);
    QTRY_COMPARE(countLines("^KOV 02:A0:00:00:00:01 ca "), 1);
    comm->AbortBridgeSnapshot(found);
    QTRY_COMPARE(countLines("^KOV 02:A0:00:00:00:01 d6 "), 1);

    // A user device is asked over JSON-RPC and pinged at its address.
    ArdentixDevice user = found;
    user.userDevice = true;
    comm->ForceCommCheck(user);
    QTRY_COMPARE(countLines("^HTTP 10\\.77\\.0\\.2 rpc read system status "), 1);
    QTRY_COMPARE(countLines("^DISCOVERY from 10\\.77\\.0\\.1 to 10\\.77\\.0\\.2 "), 1);
}

QTEST_GUILESS_MAIN(TestAxCommRouting)
#include "tst_axcommrouting.moc"
