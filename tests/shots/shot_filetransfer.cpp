// Pictures of the file transfer window: a configuration file queued, a
// firmware image on its way, and general files sending, sent and failed. The
// program plays the device communications by sending the reports down the bus;
// nothing goes on the network.
#include "ui/device/filetransferwidget.h"

#include "model/axsignalobject.h"

#include "shotsupport.h"

#include <QApplication>
#include <QTabWidget>

namespace {

ArdentixDevice gateway()
{
    ArdentixDevice device;
    device.configTitle = QStringLiteral("Boiler House AX-K400 v6.21");
    device.ipAddress = QHostAddress(QStringLiteral("10.77.0.2"));
    device.setMacString(QStringLiteral("02:A0:00:00:00:01"));
    device.devicePlatform = QStringLiteral("AX-K400");
    device.firmwareFileName = QStringLiteral("img_k4.bin");
    return device;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString folder = shotFolder();
    AxSignalObject root;
    FileTransferWidget window(nullptr, &root, gateway(), 0);
    FileTransferSession *session = window.session();
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    const auto report = [&root](const QString &file, FILE_TRANSFER_STATE state, float percent) {
        root._slot_down_file_send_complete(file, state, percent, gateway());
    };
    bool saved = true;

    session->addFiles(FileTransferSession::ConfigFile, {"/home/engineer/plant-a/boiler-house/config.csv"});
    saved &= saveShot(&window, folder, QStringLiteral("filetransfer-1-config-queued.png"));

    const QString firmware = QStringLiteral("/home/engineer/firmware/6.21/img_k4.bin");
    session->addFiles(FileTransferSession::FirmwareFile, {firmware});
    tabs->setCurrentIndex(1);
    session->send(FileTransferSession::FirmwareFile);
    report(firmware, FILE_TRANSFER_IN_PROGRESS, 62.5f);
    saved &= saveShot(&window, folder, QStringLiteral("filetransfer-2-firmware-sending.png"));
    report(firmware, FILE_TRANSFER_FAILED, 0.0f);

    const QStringList general{"/home/engineer/plant-a/tags.csv", "/home/engineer/plant-a/trend-setup.xml",
                              "/home/engineer/plant-a/alarm-texts-with-a-long-name.txt",
                              "/home/engineer/plant-a/logo.png"};
    session->addFiles(FileTransferSession::GeneralFiles, general);
    tabs->setCurrentIndex(2);
    session->send(FileTransferSession::GeneralFiles);
    report(general.at(0), FILE_TRANSFER_COMPLETE, 100.0f);
    report(general.at(1), FILE_TRANSFER_FAILED, 0.0f);
    report(general.at(2), FILE_TRANSFER_IN_PROGRESS, 45.0f);
    saved &= saveShot(&window, folder, QStringLiteral("filetransfer-3-general-sending.png"));

    report(general.at(2), FILE_TRANSFER_COMPLETE, 100.0f);
    report(general.at(3), FILE_TRANSFER_COMPLETE, 100.0f);
    saved &= saveShot(&window, folder, QStringLiteral("filetransfer-4-general-sent-and-failed.png"));
    return saved ? 0 : 1;
}
