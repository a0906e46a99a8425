#ifndef TOOLBOXBUS_H
#define TOOLBOXBUS_H

#include "comm/axcomm.h"
#include "model/ardentixdevice.h"
#include "model/axsignalobject.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// The root of the signal bus with the communications manager behind it, wired
// for the device windows' requests and results as the controller wires them.
// Make it after the test bed has entered its namespace; link ax_comm.
class ToolboxBus
{
public:
    ToolboxBus()
        : comm(std::make_unique<AxComm>(nullptr, &root))
    {
        AxComm *manager = comm.get();
        QObject::connect(&root, &AxSignalObject::_signal_up_restart_device, manager, &AxComm::RestartDevice);
        QObject::connect(&root, &AxSignalObject::_signal_up_time_sync_request, manager, &AxComm::DeviceTimeSync);
        QObject::connect(&root, &AxSignalObject::_signal_up_read_system_time_request, manager,
                         &AxComm::readSystemTimeRequest);
        QObject::connect(&root, &AxSignalObject::_signal_up_send_file, manager, &AxComm::sendFileRequest);
        QObject::connect(&root, &AxSignalObject::_signal_up_get_file, manager, &AxComm::getFileRequest);
        QObject::connect(&root, &AxSignalObject::_signal_up_get_flash_size, manager, &AxComm::vekGetFlashSize);
        QObject::connect(&root, &AxSignalObject::_signal_up_set_device_credentials, manager,
                         &AxComm::CheckAuthentication);
        QObject::connect(&root, &AxSignalObject::_signal_up_file_received, &root,
                         &AxSignalObject::_slot_down_file_received);
        QObject::connect(&root, &AxSignalObject::_signal_up_file_send_complete, &root,
                         &AxSignalObject::_slot_down_file_send_complete);
        QObject::connect(&root, &AxSignalObject::_signal_up_system_time, &root,
                         &AxSignalObject::_slot_down_system_time);
        QObject::connect(&root, &AxSignalObject::_signal_up_update_device_firmware_name, &root,
                         &AxSignalObject::_slot_down_update_device_firmware_name);
        QObject::connect(&root, &AxSignalObject::_signal_up_user_authenticated, &root,
                         &AxSignalObject::_slot_down_user_authenticated);
        comm->startListening(QHostAddress(QStringLiteral("255.255.255.255")));
    }

    // The gateway as discovery finds it over VEK; a default record when none answers.
    ArdentixDevice discover(int timeoutMs = 5000)
    {
        QSignalSpy found(comm.get(), &AxComm::deviceFound);
        QTest::qWait(100);   // the capture thread is reading
        comm->vekPing();
        if (!found.wait(timeoutMs))
            return ArdentixDevice();
        return found.at(0).at(0).value<ArdentixDevice>();
    }

    AxSignalObject root;   // made first, gone last
    std::unique_ptr<AxComm> comm;
};

#endif // TOOLBOXBUS_H
