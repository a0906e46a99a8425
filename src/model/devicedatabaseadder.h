#ifndef DEVICEDATABASEADDER_H
#define DEVICEDATABASEADDER_H

#include "ardentixdevice.h"

#include <QThread>

// A worker thread that carries one device record. Its thread body does nothing:
// a started adder finishes at once and never touches a database.
class DeviceDatabaseAdder : public QThread
{
    Q_OBJECT

public:
    DeviceDatabaseAdder();
    DeviceDatabaseAdder(const ArdentixDevice &device, bool flag);
    DeviceDatabaseAdder(const ArdentixDevice &device, bool flag, int mode);
    // Waits for a started adder, which ends at once, so deleting one never
    // destroys a running thread.
    ~DeviceDatabaseAdder() override;

    ArdentixDevice device;
    bool adderFlag;
    int adderMode;

protected:
    void run() override;
};

#endif // DEVICEDATABASEADDER_H
