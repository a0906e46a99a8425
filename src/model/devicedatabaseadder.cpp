#include "devicedatabaseadder.h"

DeviceDatabaseAdder::DeviceDatabaseAdder()
    : adderFlag(false)
    , adderMode(3)
{
}

DeviceDatabaseAdder::DeviceDatabaseAdder(const ArdentixDevice &record, bool flag)
    : DeviceDatabaseAdder(record, flag, 0)
{
}

DeviceDatabaseAdder::DeviceDatabaseAdder(const ArdentixDevice &record, bool flag, int mode)
    : device(record)
    , adderFlag(flag)
    , adderMode(mode)
{
}

DeviceDatabaseAdder::~DeviceDatabaseAdder()
{
    wait();
}

void DeviceDatabaseAdder::run()
{
}
