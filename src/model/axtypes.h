#ifndef AXTYPES_H
#define AXTYPES_H

#include <QMetaType>

// The enumerations passed around as numbers have a fixed underlying type, so a
// number that names no enumerator is still a defined value (shown as unknown).

// A device's place in its life cycle, stored as a number in "discovery_state".
enum DISCOVERY_STATE : int {
    DISCOVERY_NEW = 0,
    DISCOVERY_ONLINE = 1,
    DISCOVERY_LOST = 2,
    DISCOVERY_OFFLINE = 3
};

// Bits of a device's status word.
enum DEVICE_STATUS {
    DEVICE_STATUS_ERROR = 0x01,
    DEVICE_STATUS_TEST_RUNNING = 0x08,
    DEVICE_STATUS_TEST_PASSED = 0x10,
    DEVICE_STATUS_TEST_FAILED = 0x20,
    DEVICE_STATUS_SNAPSHOT_ACTIVE = 0x200   // set while the device takes a snapshot
};

// The device's answer to the VEK advanced-network query.
enum VEK_NET_SUPPORT : int {
    VEK_NET_UNKNOWN = 0,
    VEK_NET_SUPPORTED = 1,
    VEK_NET_NOT_SUPPORTED = 2
};

// Outcome of the JSON-RPC security probing.
enum SECURITY_STATUS : int {
    SECURITY_DISABLED = 0,
    SECURITY_HTTPS = 1,
    SECURITY_DOMAIN_FAILED = 2,
    SECURITY_FULL = 3
};

// Progress of one file transfer; IN_PROGRESS comes with a percentage.
enum FILE_TRANSFER_STATE {
    FILE_TRANSFER_IN_PROGRESS = 0,
    FILE_TRANSFER_FAILED = 1,
    FILE_TRANSFER_COMPLETE = 2,
    FILE_TRANSFER_AUTH_REQUIRED = 3
};

Q_DECLARE_METATYPE(DISCOVERY_STATE)
Q_DECLARE_METATYPE(VEK_NET_SUPPORT)
Q_DECLARE_METATYPE(SECURITY_STATUS)
Q_DECLARE_METATYPE(FILE_TRANSFER_STATE)

#endif // AXTYPES_H
