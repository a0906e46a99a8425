#include "testsandbox.h"

#include "model/devicedatabaseadder.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

class TestDeviceDatabaseAdder : public QObject
{
    Q_OBJECT

private slots:
    void carriesItsRecord();
    void startedAdderFinishesAndTouchesNoFiles();
    void deletedRightAfterStart();

private:
    TestSandbox m_sandbox;
};

void TestDeviceDatabaseAdder::carriesItsRecord()
{
    ArdentixDevice device;
    device.setMacString("00:11:22:33:44:55");
    device.configTitle = "Line 3";

    const DeviceDatabaseAdder plain;
    QVERIFY(plain.device.macAddress.isEmpty());
    QCOMPARE(plain.adderMode, 3);
    QVERIFY(!plain.parent());

    const DeviceDatabaseAdder withFlag(device, true);
    QCOMPARE(withFlag.device.macAddress, QStringLiteral("00:11:22:33:44:55"));
    QCOMPARE(withFlag.device.configTitle, QStringLiteral("Line 3"));
    QVERIFY(withFlag.adderFlag);
    QCOMPARE(withFlag.adderMode, 0);

    const DeviceDatabaseAdder withMode(device, false, 7);
    QVERIFY(!withMode.adderFlag);
    QCOMPARE(withMode.adderMode, 7);
}

void TestDeviceDatabaseAdder::startedAdderFinishesAndTouchesNoFiles()
{
    const QStringList before = QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    DeviceDatabaseAdder adder(ArdentixDevice(), false);
    QSignalSpy started(&adder, &QThread::started);
    QSignalSpy finished(&adder, &QThread::finished);
    adder.start();
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(started.count(), 1);
    QVERIFY(adder.isFinished());
    QCOMPARE(QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
}

void TestDeviceDatabaseAdder::deletedRightAfterStart()
{
    // The engineering window starts adders and never waits for them.
    for (int k = 0; k < 20; ++k) {
        auto *adder = new DeviceDatabaseAdder(ArdentixDevice(), false);
        adder->start();
        delete adder;
    }
}

QTEST_GUILESS_MAIN(TestDeviceDatabaseAdder)
#include "tst_devicedatabaseadder.moc"
