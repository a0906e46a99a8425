// The file transfer window's work against the gateway emulator: uploads over
// HTTP with curl and over VEK, the flash-size question, a refused password and
// a window closed while its files are still on the way. The communications
// manager runs in namespace A with the bus wired as the controller wires it;
// the emulator in B.
#include "ui/device/filetransferwidget.h"

#include "model/axmetatypes.h"

#include "gatewaytestbed.h"
#include "testfiles.h"
#include "toolboxbus.h"

#include <QtTest>

using Kind = FileTransferSession::Kind;

class tst_FileTransferOnDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void configFileSentThenRestartOffered();
    void firmwareNamedByTheFlashSizeSentOverVek();
    void generalBatchWithAFailedFileEndsEveryRow();
    void refusedPasswordOneLoginOneResend();
    void cancelledLoginLeavesRowsReadyAndSendsNothingLater();
    void windowClosedMidTransfer();

private:
    ArdentixDevice discoverGateway(const QStringList &arguments);
    FileTransferSession *openSession(const ArdentixDevice &device);
    QString writeFile(const QString &name, int size);
    static QStringList statuses(const FileTransferSession *session, Kind kind);

    GatewayTestBed *bed = nullptr;
    ToolboxBus *bus = nullptr;
    AxSignalObject *root = nullptr;   // the bus's
};

void tst_FileTransferOnDevice::initTestCase()
{
    registerAxMetaTypes();
}

void tst_FileTransferOnDevice::init()
{
    bed = new GatewayTestBed;
}

void tst_FileTransferOnDevice::cleanup()
{
    delete bus;   // and the nodes chained to its root
    bus = nullptr;
    root = nullptr;
    delete bed;
    bed = nullptr;
}

// Starts the emulator as one gateway at B's address and discovers it.
ArdentixDevice tst_FileTransferOnDevice::discoverGateway(const QStringList &arguments)
{
    if (!bed->startEmulator(arguments))
        return ArdentixDevice();
    bus = new ToolboxBus;
    root = &bus->root;
    return bus->discover();
}

// On a bus node of its own, as the window's.
FileTransferSession *tst_FileTransferOnDevice::openSession(const ArdentixDevice &device)
{
    auto *node = new AxSignalObject(root);
    return new FileTransferSession(node, device, node);
}

QString tst_FileTransferOnDevice::writeFile(const QString &name, int size)
{
    const QString path = bed->sandbox().filePath(name);
    return writeTestFile(path, testPattern(size, int(qHash(name)))) ? path : QString();
}

QStringList tst_FileTransferOnDevice::statuses(const FileTransferSession *session, Kind kind)
{
    QStringList texts;
    for (const TransferFile &file : session->files(kind))
        texts << file.statusText();
    return texts;
}

void tst_FileTransferOnDevice::configFileSentThenRestartOffered()
{
    AX_REQUIRE_TESTBED(*bed);
    ArdentixDevice device = discoverGateway({"--http"});
    QVERIFY(!device.macAddress.isEmpty());
    device.jsonSupport = true;
    FileTransferSession *session = openSession(device);
    QSignalSpy offered(session, &FileTransferSession::restartOffered);

    // The first name only, stored as config.csv whatever it is called.
    session->addFiles(FileTransferSession::ConfigFile, {writeFile("delivery.csv", 300), writeFile("other.csv", 10)});
    QVERIFY(session->send(FileTransferSession::ConfigFile));
    QVERIFY(session->isSending());
    QTRY_VERIFY_WITH_TIMEOUT(!session->isSending(), 10000);
    QCOMPARE(statuses(session, FileTransferSession::ConfigFile), QStringList{"Sent"});
    QCOMPARE(bed->countLines("^UPLOAD 10\\.77\\.0\\.2 config\\.csv$"), 1);
    QCOMPARE(offered.count(), 1);

    session->restartDevice();
    QTRY_COMPARE(bed->countLines("^HTTP 10\\.77\\.0\\.2 rpc system restart "), 1);
}

void tst_FileTransferOnDevice::firmwareNamedByTheFlashSizeSentOverVek()
{
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice device = discoverGateway({"--device", "0:platform=406,flash=standard"});
    QVERIFY(!device.macAddress.isEmpty());
    QCOMPARE(device.firmwareFileName, QStringLiteral("img_k4.bin"));   // either flash size
    FileTransferSession *session = openSession(device);
    QTRY_COMPARE(session->device().firmwareFileName, QStringLiteral("img_k2.bin"));
    QCOMPARE(session->fileFilter(FileTransferSession::FirmwareFile),
             QStringLiteral("Firmware (img_k2.bin);;All Firmware (*.bin)"));

    QSignalSpy requests(root, &AxSignalObject::_signal_up_send_file);
    session->addFiles(FileTransferSession::FirmwareFile, {writeFile("img_k2.bin", 1500)});
    QVERIFY(session->send(FileTransferSession::FirmwareFile));
    QTRY_VERIFY_WITH_TIMEOUT(!session->isSending(), 20000);
    QCOMPARE(statuses(session, FileTransferSession::FirmwareFile), QStringList{"Sent"});
    QCOMPARE(requests.at(0).at(1).toStringList(), QStringList{"img_k2.bin"});
}

void tst_FileTransferOnDevice::generalBatchWithAFailedFileEndsEveryRow()
{
    AX_REQUIRE_TESTBED(*bed);
    ArdentixDevice device = discoverGateway({"--http", "--disk-capacity", "1000"});
    QVERIFY(!device.macAddress.isEmpty());
    device.jsonSupport = true;
    FileTransferSession *session = openSession(device);
    QSignalSpy offered(session, &FileTransferSession::restartOffered);

    // The second does not fit on the device.
    session->addFiles(FileTransferSession::GeneralFiles,
                      {writeFile("a.txt", 100), writeFile("b.bin", 5000), writeFile("c.txt", 100)});
    QVERIFY(session->send(FileTransferSession::GeneralFiles));
    QTRY_VERIFY_WITH_TIMEOUT(!session->isSending(), 15000);
    // The batch stops at the failed file; the one after it is reported not sent.
    QCOMPARE(statuses(session, FileTransferSession::GeneralFiles), QStringList({"Sent", "Error", "Error"}));
    QCOMPARE(bed->countLines("^UPLOAD "), 1);
    QCOMPARE(offered.count(), 0);
}

void tst_FileTransferOnDevice::refusedPasswordOneLoginOneResend()
{
    AX_REQUIRE_TESTBED(*bed);
    ArdentixDevice device = discoverGateway({"--http", "--http-user", "admin", "--http-password", "secret"});
    QVERIFY(!device.macAddress.isEmpty());
    device.jsonSupport = true;
    FileTransferSession *session = openSession(device);
    QSignalSpy asked(session, &FileTransferSession::loginRequested);
    QSignalSpy requests(root, &AxSignalObject::_signal_up_send_file);
    QSignalSpy credentials(root, &AxSignalObject::_signal_up_set_device_credentials);
    connect(session, &FileTransferSession::loginRequested, this,
            [session] { session->device_login(QStringLiteral("admin"), QStringLiteral("secret")); },
            Qt::QueuedConnection);

    const QString first = writeFile("one.txt", 200);
    const QString second = writeFile("two.txt", 200);
    session->addFiles(FileTransferSession::GeneralFiles, {first, second});
    QVERIFY(session->send(FileTransferSession::GeneralFiles));
    QTRY_VERIFY_WITH_TIMEOUT(!session->isSending(), 30000);
    QCOMPARE(statuses(session, FileTransferSession::GeneralFiles), QStringList({"Sent", "Sent"}));
    QCOMPARE(asked.count(), 1);
    QCOMPARE(credentials.count(), 1);
    QCOMPARE(requests.count(), 2);
    QCOMPARE(requests.at(1).at(0).toStringList(), QStringList({first, second}));
    QCOMPARE(requests.at(1).at(2).value<ArdentixDevice>().password, QStringLiteral("secret"));
    QCOMPARE(bed->countLines("^UPLOAD "), 2);
}

void tst_FileTransferOnDevice::cancelledLoginLeavesRowsReadyAndSendsNothingLater()
{
    AX_REQUIRE_TESTBED(*bed);
    const ArdentixDevice device = discoverGateway({"--file-password", "secret"});
    QVERIFY(!device.macAddress.isEmpty());
    FileTransferSession *session = openSession(device);
    QSignalSpy requests(root, &AxSignalObject::_signal_up_send_file);
    connect(session, &FileTransferSession::loginRequested, this,
            [session] { session->device_login(QString(), QStringLiteral("ignored")); }, Qt::QueuedConnection);

    session->addFiles(FileTransferSession::ConfigFile, {writeFile("config.csv", 200)});
    QVERIFY(session->send(FileTransferSession::ConfigFile));
    QTRY_VERIFY_WITH_TIMEOUT(!session->isSending(), 15000);
    QCOMPARE(statuses(session, FileTransferSession::ConfigFile), QStringList{"Ready"});

    // The next send, on another tab, carries only its own file.
    const QString firmware = writeFile("img_k4.bin", 200);
    session->addFiles(FileTransferSession::FirmwareFile, {firmware});
    QVERIFY(session->send(FileTransferSession::FirmwareFile));
    QCOMPARE(requests.count(), 2);
    QCOMPARE(requests.at(1).at(0).toStringList(), QStringList{firmware});
    QTRY_VERIFY_WITH_TIMEOUT(!session->isSending(), 15000);
    QCOMPARE(statuses(session, FileTransferSession::FirmwareFile), QStringList{"Ready"});
    QCOMPARE(requests.count(), 2);
}

void tst_FileTransferOnDevice::windowClosedMidTransfer()
{
    AX_REQUIRE_TESTBED(*bed);
    ArdentixDevice device = discoverGateway({"--http", "--http-delay", "1000"});
    QVERIFY(!device.macAddress.isEmpty());
    device.jsonSupport = true;
    QPointer<FileTransferWidget> window = new FileTransferWidget(nullptr, root, device, 0);
    window->setAttribute(Qt::WA_DeleteOnClose);
    const QString file = writeFile("late.txt", 300);
    window->session()->addFiles(FileTransferSession::GeneralFiles, {file});
    QSignalSpy reports(root, &AxSignalObject::_signal_down_file_send_complete);
    QVERIFY(window->session()->send(FileTransferSession::GeneralFiles));
    window->show();
    window->close();
    QTRY_VERIFY(window.isNull());

    // The upload goes on without the window; its report finds nobody.
    QTRY_COMPARE_WITH_TIMEOUT(bed->countLines("^UPLOAD 10\\.77\\.0\\.2 late\\.txt$"), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!reports.isEmpty() && reports.last().at(1).value<FILE_TRANSFER_STATE>()
                                                       == FILE_TRANSFER_COMPLETE, 10000);
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

QTEST_MAIN(tst_FileTransferOnDevice)
#include "tst_filetransferondevice.moc"
