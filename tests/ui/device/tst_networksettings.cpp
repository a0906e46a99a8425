// "ax_tcp.ini" read for devices of one and two ports, with and without name
// servers, and written back as the device expects it; the settings session's
// ways out of sending, on a bus that nothing answers.
#include "ui/device/networksettings.h"
#include "ui/device/networksettingssession.h"

#include "model/axmetatypes.h"
#include "model/axsignalobject.h"

#include "testsandbox.h"

#include <QtTest>

class tst_NetworkSettings : public QObject
{
    Q_OBJECT

private slots:
    void rowsFollowTheDevice_data();
    void rowsFollowTheDevice();
    void linesAreMatchedByKeyAndEquals();
    void addressesMustBeDottedQuads_data();
    void addressesMustBeDottedQuads();
    void everyWayOutOfSendingLeavesTheSettingsEditable();
};

namespace {

// Every key, LF line ends, as a device may write it.
const QByteArray kEveryKey =
    "; settings\n"
    "N1_IP = 10.0.0.2\nN1_NETMASK = 255.255.255.0\nN1_GATEWAY = 10.0.0.1\n"
    "N1_DHCPC = DISABLED\nN1_DHCPS = enabled\n"
    "DNS1_IP = 10.0.0.53\nDNS2_IP = 10.0.0.54\n"
    "N2_IP = 192.168.2.2\nN2_NETMASK = 255.255.0.0\nN2_GATEWAY = 192.168.2.1\n"
    "N2_DHCPC = ENABLED\nN2_DHCPS = DISABLED\n"
    "SNTP_SERVER = 10.0.0.9\n";

const QByteArray kN1Lines =
    "N1_IP = 10.0.0.2\r\nN1_NETMASK = 255.255.255.0\r\nN1_GATEWAY = 10.0.0.1\r\n"
    "N1_DHCPC = DISABLED\r\nN1_DHCPS = ENABLED\r\n";
const QByteArray kDnsLines = "DNS1_IP = 10.0.0.53\r\nDNS2_IP = 10.0.0.54\r\n";
const QByteArray kN2Lines = "N2_IP = 192.168.2.2\r\nN2_NETMASK = 255.255.0.0\r\n";
const QByteArray kN2Gateway = "N2_GATEWAY = 192.168.2.1\r\n";
const QByteArray kN2Dhcp = "N2_DHCPC = ENABLED\r\nN2_DHCPS = DISABLED\r\n";

ArdentixDevice device(int nics, quint32 platform, const QString &name, const QString &firmware)
{
    ArdentixDevice device;
    device.nicCount = nics;
    device.platformCode = platform;
    device.devicePlatform = name;
    device.firmwareVersion = firmware;
    return device;
}

} // namespace

void tst_NetworkSettings::rowsFollowTheDevice_data()
{
    QTest::addColumn<ArdentixDevice>("device");
    QTest::addColumn<int>("n2LinesShown");
    QTest::addColumn<bool>("dnsShown");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("one port") << device(1, 301, "PMC-R7", "6.21.0") << 0 << false << NetworkSettings::Header + kN1Lines;
    QTest::newRow("two ports, name servers")
        << device(2, 303, "AX-T303", "6.16.2") << 5 << true
        << NetworkSettings::Header + kN1Lines + kDnsLines + kN2Lines + kN2Gateway + kN2Dhcp;
    QTest::newRow("no second gateway on AX-K500")
        << device(2, 303, "AX-K500-15", "6.16.2") << 4 << true
        << NetworkSettings::Header + kN1Lines + kDnsLines + kN2Lines + kN2Dhcp;
    QTest::newRow("name servers read, not shown, before 6.16")
        << device(1, 351, "AXT CORE", "6.15.9") << 0 << false << NetworkSettings::Header + kN1Lines;
}

void tst_NetworkSettings::rowsFollowTheDevice()
{
    QFETCH(ArdentixDevice, device);
    NetworkSettings settings;
    const NetworkSettings::ReadResult read = settings.read(kEveryKey, device);
    QVERIFY(read.ok);
    QTEST(read.n2LinesShown, "n2LinesShown");
    QTEST(read.dnsShown, "dnsShown");
    QTEST(settings.fileText(), "written");
    const bool dnsPlatform = device.platformCode == 303 || device.platformCode == 351;
    QCOMPARE(settings.value(NetworkSettings::Dns1), QString(dnsPlatform ? "10.0.0.53" : "0.0.0.0"));
}

void tst_NetworkSettings::linesAreMatchedByKeyAndEquals()
{
    const ArdentixDevice plain = device(1, 301, "PMC-R7", "6.21.0");
    NetworkSettings settings;
    QVERIFY(!settings.read("n1_ip = 10.0.0.2\nN1_IP6 = fe80::1\nN1_IPX=10.0.0.3\n", plain).ok);
    QVERIFY(!settings.isPresent(NetworkSettings::N1Ip));

    const QByteArray lines = "N1_IP=10.0.0.2\r\nN1_NETMASK  =   255.0.0.0   \r\n; N1_GATEWAY = 1.1.1.1\r\n"
                             "N1_DHCPC = disabled\r\nN1_DHCPS = maybe\r\nN1_GATEWAY\r\n";
    QVERIFY(settings.read(lines, plain).ok);
    QCOMPARE(settings.value(NetworkSettings::N1Ip), QString("10.0.0.2"));
    QCOMPARE(settings.value(NetworkSettings::N1Netmask), QString("255.0.0.0"));
    QCOMPARE(settings.value(NetworkSettings::N1Gateway), QString());
    QCOMPARE(settings.value(NetworkSettings::N1DhcpClient), NetworkSettings::Disabled);
    QCOMPARE(settings.value(NetworkSettings::N1DhcpServer), NetworkSettings::Enabled);
    // An empty gateway is shown but blocks the write.
    QVERIFY(!settings.isWritable());
    settings.setValue(NetworkSettings::N1Gateway, " 10.0.0.1 ");
    QVERIFY(settings.isWritable());
    QVERIFY(settings.fileText().contains("N1_GATEWAY = 10.0.0.1\r\n"));

    NetworkSettings lf;
    NetworkSettings crlf;
    lf.read(kEveryKey, plain);
    crlf.read(QByteArray(kEveryKey).replace("\n", "\r\n"), plain);
    QCOMPARE(crlf.fileText(), lf.fileText());
}

void tst_NetworkSettings::addressesMustBeDottedQuads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    for (const char *good : {"0.0.0.0", "10.77.0.2", "255.255.255.255", " 192.168.1.1 "})
        QTest::newRow(good) << QString(good) << true;
    for (const char *bad : {"", "10.77.0", "10.77.0.256", "10.077.0.2", "::1", "fe80::1", "10.0.0.1.5", "ten.0.0.1",
                            "10..0.1", "167772162"})
        QTest::newRow(bad) << QString(bad) << false;
}

void tst_NetworkSettings::addressesMustBeDottedQuads()
{
    QFETCH(QString, text);
    QTEST(NetworkSettings::isDottedQuad(text), "valid");
}

void tst_NetworkSettings::everyWayOutOfSendingLeavesTheSettingsEditable()
{
    registerAxMetaTypes();
    TestSandbox sandbox;
    AxSignalObject root;
    ArdentixDevice gateway = device(1, 301, "PMC-R7", "6.21.0");
    gateway.setMacString("02:A0:00:00:00:01");
    NetworkSettingsSession session(&root, gateway);
    QSignalSpy sends(&root, &AxSignalObject::_signal_up_send_file);
    QSignalSpy loginAsked(&session, &NetworkSettingsSession::loginRequested);
    QSignalSpy copyFailed(&session, &NetworkSettingsSession::localCopyFailed);
    root._slot_down_file_received(NetworkSettings::DeviceFileName, kEveryKey, true, gateway);
    QVERIFY(session.canUpdate());

    // The local copy can't be written: nothing is sent and the window says so.
    QVERIFY(QDir().mkdir(session.localFileName()));
    QVERIFY(!session.update());
    QCOMPARE(copyFailed.count(), 1);
    QVERIFY(!session.isSending() && sends.isEmpty());
    QVERIFY(QDir().rmdir(session.localFileName()));

    // A login asked for once, whatever the device repeats; cancelled, editable again.
    QVERIFY(session.update());
    ArdentixDevice other = gateway;
    other.setMacString("02:A0:00:00:00:02");
    root._slot_down_file_send_complete(session.localFileName(), FILE_TRANSFER_COMPLETE, 100.0f, other);
    root._slot_down_file_send_complete("./elsewhere.ini", FILE_TRANSFER_COMPLETE, 100.0f, gateway);
    QVERIFY(session.isSending());
    root._slot_down_file_send_complete(session.localFileName(), FILE_TRANSFER_AUTH_REQUIRED, 0.0f, gateway);
    root._slot_down_file_send_complete(session.localFileName(), FILE_TRANSFER_AUTH_REQUIRED, 0.0f, gateway);
    QCOMPARE(loginAsked.count(), 1);
    session.login(QString(), QString());
    QVERIFY(!session.isSending() && session.canUpdate());
    session.login("Admin", "late");   // a second answer of the same dialog
    QCOMPARE(sends.count(), 1);
}

QTEST_GUILESS_MAIN(tst_NetworkSettings)
#include "tst_networksettings.moc"
