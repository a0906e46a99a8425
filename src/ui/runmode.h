#ifndef RUNMODE_H
#define RUNMODE_H

#include <QMetaType>

// How the toolbox was started: command-line options and the single-instance test.
// Windows read it to decide what they offer; the controller to choose its discovery.
enum RUN_MODE {
    RUN_MODE_ADVANCED = 0x01,
    RUN_MODE_SUBNET_PING = 0x02,
    RUN_MODE_RESTRICTED = 0x04,
    RUN_MODE_ENGINEERING = 0x08,
    RUN_MODE_FORCED_PING = 0x10,
    RUN_MODE_SECOND_INSTANCE = 0x20
};

Q_DECLARE_METATYPE(RUN_MODE)

#endif // RUNMODE_H
