#include "app/ardentixtoolbox.h"
#include "model/devicedatabase.h"

#include "toolboxtestbed.h"

#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

// How answering gateways age under the stored timings, with the whole program
// in network namespace A and the gateway emulator in B.
class tst_GatewayAgeing : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_bed.reset(); }

    void lostTimeoutJustOverThePingIntervalKeepsGatewaysOnline();

private:
    std::unique_ptr<ToolboxTestBed> m_bed;
};

void tst_GatewayAgeing::init()
{
    m_bed = std::make_unique<ToolboxTestBed>();
    AX_REQUIRE_TESTBED(*m_bed);
}

// A lost timeout stored 1 ms over the ping interval is read as twice it: a
// gateway that answers every ping is never reported lost.
void tst_GatewayAgeing::lostTimeoutJustOverThePingIntervalKeepsGatewaysOnline()
{
    m_bed->storeProfile("Tight", {{"ping_interval", 1500}, {"timeout_to_lost", 1501}});
    QSettings(QStringLiteral("Ardentix"), QStringLiteral("Toolbox")).setValue("active_settings_profile", "Tight");
    QVERIFY(m_bed->startEmulator({"--devices", "3", "--base-ip", "10.77.0.100"}));
    m_bed->start(RUN_MODE(0));
    const QStringList macs = {"02:A0:00:00:00:01", "02:A0:00:00:00:02", "02:A0:00:00:00:03"};
    // Listed and answering: new or online, never lost.
    const auto answering = [this](const QString &mac) {
        DeviceDatabase::ReadResult read = DeviceDatabase::ReadFailed;
        const ArdentixDevice device = m_bed->store()->readDeviceByMac(mac, &read);
        return read == DeviceDatabase::DeviceFound
               && (device.discoveryState == DISCOVERY_ONLINE || device.discoveryState == DISCOVERY_NEW);
    };
    for (const QString &mac : macs)
        QTRY_VERIFY_WITH_TIMEOUT(answering(mac), 10000);

    QSignalSpy lost(m_bed->store(), &DeviceDatabase::deviceLost);
    QTest::qWait(20000);
    QCOMPARE(lost.count(), 0);
    for (const QString &mac : macs)
        QVERIFY2(answering(mac), qPrintable(mac));
}

QTEST_MAIN(tst_GatewayAgeing)
#include "tst_gatewayageing.moc"
