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
    void init() { bed.reset(new CommTestBed); }
    void cleanup();

    void restartTakesTheUsablePath();
    void timeAndClockOnlyOverJson();
    void vekSetIpRestartsOnceAfterTheAcknowledge();
    void filesAreFetchedOverTheUsablePath();
    void vekFilesAreSentOneAfterTheOther();
    void vekBatchForAnotherDeviceWaits();
    void vekFileRequestWithTooFewNamesFailsEveryFile();
    void requestsThatGoNowhereStillEnd();
    void flashSizeSnapshotAbortAndForcedCheck();

private:
    // Starts the emulator as one gateway at B's own address and discovers it.
    ArdentixDevice discoverGateway(const QStringList &extraArguments = {});
    // That many gateways, VEK only (their web sides would want addresses of their own), by MAC.
    QList<ArdentixDevice> discoverGateways(int count, const QStringList &extraArguments = {});
    int countLines(const QString &pattern) const;
    QStringList writeFiles(const QStringList &names);

    QScopedPointer<CommTestBed> bed;
    AxComm *comm = nullptr;
};

namespace {

const char *const kGatewayMac = "02:A0:00:00:00:01";

// The final reports of a file send spy, in order, as "file name=state".
QStringList finalReports(const QSignalSpy &spy)
{
    QStringList finals;
    for (const QList<QVariant> &arguments : spy) {
        const FILE_TRANSFER_STATE state = arguments.at(1).value<FILE_TRANSFER_STATE>();
        if (state != FILE_TRANSFER_IN_PROGRESS)
            finals << QFileInfo(arguments.at(0).toString()).fileName() + '=' + QString::number(state);
    }
    return finals;
}

} // namespace

void TestAxCommRouting::cleanup()
{
    delete comm;
    comm = nullptr;
    bed.reset();
}

ArdentixDevice TestAxCommRouting::discoverGateway(const QStringList &extraArguments)
{
    const QList<ArdentixDevice> found = discoverGateways(1, QStringList{"--http"} + extraArguments);
    return found.isEmpty() ? ArdentixDevice() : found.first();
}

QList<ArdentixDevice> TestAxCommRouting::discoverGateways(int count, const QStringList &extraArguments)
{
    if (!bed->startEmulator(QStringList{"--devices", QString::number(count)} + extraArguments))
        return {};
    comm = new AxComm(nullptr, &bed->root);
    comm->startListening(QHostAddress(QStringLiteral("255.255.255.255")));
    QSignalSpy found(comm, &AxComm::deviceFound);
    QTest::qWait(100); // the capture thread is reading
    comm->vekPing();
    QMap<QString, ArdentixDevice> byMac;
    QDeadlineTimer deadline(20000);
    while (byMac.size() < count && !deadline.hasExpired()) {
        found.wait(200);
        for (const QList<QVariant> &arguments : std::as_const(found)) {
            const ArdentixDevice device = arguments.at(0).value<ArdentixDevice>();
            byMac.insert(device.macAddress, device);
        }
    }
    return byMac.size() == count ? byMac.values() : QList<ArdentixDevice>();
}

QStringList TestAxCommRouting::writeFiles(const QStringList &names)
{
    QStringList paths;
    for (const QString &name : names) {
        paths << bed->sandbox().filePath(name);
        writeTestFile(paths.last(), QByteArray(700, name.at(0).toLatin1()));
    }
    return paths;
}

int TestAxCommRouting::countLines(const QString &pattern) const
{
    return bed->countLines(pattern);
}

void TestAxCommRouting::restartTakesTheUsablePath()
{
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice found = discoverGateway();
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
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice found = discoverGateway();
    QVERIFY(!found.macAddress.isEmpty());
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
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice found = discoverGateway();
    QVERIFY(!found.macAddress.isEmpty());
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
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice found = discoverGateway();
    QVERIFY(!found.macAddress.isEmpty());
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
    QTRY_COMPARE(received.count(), 2);
    QCOMPARE(received.at(1).at(2).toBool(), false);
    QTest::qWait(300);
    QCOMPARE(received.count(), 2);
    QCOMPARE(countLines("^HTTP "), 1);
}

void TestAxCommRouting::vekFilesAreSentOneAfterTheOther()
{
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice found = discoverGateway();
    QVERIFY(!found.macAddress.isEmpty());

    // The middle file cannot be read: it fails, with the texts to show, and the batch goes on.
    const QStringList local = writeFiles({"a.cfg", "b.cfg", "c.cfg"});
    QVERIFY(QFile::remove(local.at(1)));
    QSignalSpy complete(&bed->root, &AxSignalObject::_signal_up_file_send_complete);
    QSignalSpy errors(comm, &AxComm::fileSendError);
    comm->sendFileRequest(local, {"a.cfg", "b.cfg", "c.cfg"}, found);

    QTRY_COMPARE_WITH_TIMEOUT(finalReports(complete).size(), 3, 20000);
    QTest::qWait(500);
    QCOMPARE(finalReports(complete), QStringList({"a.cfg=2", "b.cfg=1", "c.cfg=2"}));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Error reading file!"));
    QCOMPARE(errors.at(0).at(1).toString(), " Could not open file: " + local.at(1));
    QCOMPARE(countLines("^FILE 02:A0:00:00:00:01 32 "), 2);
}

void TestAxCommRouting::vekBatchForAnotherDeviceWaits()
{
    AX_REQUIRE_TESTBED(*bed);
    const QList<ArdentixDevice> found = discoverGateways(2);
    QCOMPARE(found.size(), 2);

    const QStringList local = writeFiles({"a.cfg", "b.cfg", "c.cfg"});
    QSignalSpy complete(&bed->root, &AxSignalObject::_signal_up_file_send_complete);
    comm->sendFileRequest(local.mid(0, 2), {"a.cfg", "b.cfg"}, found.at(0));
    comm->sendFileRequest(local.mid(2), {"c.cfg"}, found.at(1));

    QTRY_COMPARE_WITH_TIMEOUT(finalReports(complete).size(), 3, 20000);
    QTest::qWait(500);
    QCOMPARE(finalReports(complete), QStringList({"a.cfg=2", "b.cfg=2", "c.cfg=2"}));
    QCOMPARE(complete.last().at(3).value<ArdentixDevice>().macAddress, found.at(1).macAddress);
    QCOMPARE(countLines("^FILE 02:A0:00:00:00:01 32 "), 2);
    QCOMPARE(countLines("^FILE 02:A0:00:00:00:02 32 "), 1);
}

void TestAxCommRouting::vekFileRequestWithTooFewNamesFailsEveryFile()
{
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice found = discoverGateway();
    QVERIFY(!found.macAddress.isEmpty());
    const QStringList local = writeFiles({"a.cfg"});

    QSignalSpy complete(&bed->root, &AxSignalObject::_signal_up_file_send_complete);
    comm->sendFileRequest({local.at(0), local.at(0)}, {"a.cfg"}, found);
    QTRY_COMPARE(finalReports(complete), QStringList({"a.cfg=1", "a.cfg=1"}));
    QTest::qWait(500);
    QCOMPARE(finalReports(complete), QStringList({"a.cfg=1", "a.cfg=1"}));
    QCOMPARE(countLines("^FILE "), 0);
}

// No route, no adapter, a refused upload batch: every get and every file
// still ends with one report, after the request has returned.
void TestAxCommRouting::requestsThatGoNowhereStillEnd()
{
    comm = new AxComm(nullptr, &bed->root);   // listening nowhere: no adapter sees any device
    QSignalSpy received(&bed->root, &AxSignalObject::_signal_up_file_received);
    QSignalSpy complete(&bed->root, &AxSignalObject::_signal_up_file_send_complete);
    ArdentixDevice nowhere;
    nowhere.ipAddress = QHostAddress(QStringLiteral("10.99.0.1"));
    nowhere.setMacString(QStringLiteral("02:A0:00:00:00:09"));
    ArdentixDevice vekOnly = nowhere;
    vekOnly.vekConnectivity = true;
    ArdentixDevice json = nowhere;
    json.jsonSupport = true;
    json.userDevice = true;
    QVERIFY(writeTestFile("here.cfg", "x"));

    comm->getFileRequest(QStringLiteral("ax_tcp.ini"), nowhere);
    comm->getFileRequest(QStringLiteral("dirlist.txt"), vekOnly);
    comm->sendFileRequest({"here.cfg"}, {"a.cfg"}, nowhere);
    comm->sendFileRequest({"here.cfg", "other.cfg"}, {"a.cfg", "b.cfg"}, vekOnly);
    comm->sendFileRequest({"here.cfg", "missing.cfg"}, {"a.cfg", "b.cfg"}, json);
    QCOMPARE(received.size() + complete.size(), 0);

    QTRY_COMPARE(complete.size(), 5);
    QCOMPARE(finalReports(complete), QStringList({"here.cfg=1", "here.cfg=1", "other.cfg=1", "here.cfg=1",
                                                  "missing.cfg=1"}));
    QCOMPARE(complete.at(4).at(3).value<ArdentixDevice>().macAddress, nowhere.macAddress);
    QCOMPARE(received.size(), 2);
    QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("ax_tcp.ini"));
    QCOMPARE(received.at(1).at(0).toString(), QStringLiteral("dirlist.txt"));
    for (const QList<QVariant> &arguments : std::as_const(received)) {
        QVERIFY(arguments.at(1).toByteArray().isEmpty());
        QCOMPARE(arguments.at(2).toBool(), false);
    }
    QTest::qWait(200);
    QCOMPARE(received.size() + complete.size(), 7);
}

void TestAxCommRouting::flashSizeSnapshotAbortAndForcedCheck()
{
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice found = discoverGateway();
    QVERIFY(!found.macAddress.isEmpty());

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
