#ifndef ARDENTIXDEVICE_H
#define ARDENTIXDEVICE_H

#include "axtypes.h"

#include <QHostAddress>
#include <QMetaType>
#include <QString>

// One gateway found on the network, copied by value wherever it travels:
// in signals, into the device store and into every device window.
class ArdentixDevice
{
public:
    ArdentixDevice();

    // Reachability: false while another device claims the same IP address.
    bool isIpReachable() const;
    // Served over JSON-RPC: it speaks it and is reachable over IP, or the user added it.
    bool isOnJsonRoute() const;

    // Platform lookups; they read nothing of the record.
    static int nicCountForPlatform(int code);
    static QString platformNameForCode(int code);
    static int platformCodeForName(const QString &name);
    // flashFlag -1 matches either flash size.
    QString firmwareFileNameFor(int code, int flashFlag) const;

    // Credentials: clearing passwordRequired clears both of them.
    void setCredentials(const QString &username, const QString &password);
    void setPasswordRequired(bool required);
    bool setIpAddress(const QString &address);

    // MAC setters keep the six bytes and the text together; each reads six bytes.
    void setMac(const unsigned char *bytes);
    void setDisplayMac(const unsigned char *bytes);
    void setMacString(const QString &text);
    void setDisplayMacString(const QString &text);

    // Firmware version read as a number, and the gates of the device windows.
    float firmwareVersionNumber() const;
    bool isCoreFirmwareAtLeast618() const;
    bool isFirmwareAtLeast621() const;
    bool isFirmwareAtLeast616() const;

    QString statusText() const;

    // Debug dumps.
    void print() const;
    void printSummary() const;

    QString deviceTag;
    QHostAddress ipAddress;
    QString configTitle;
    QString devicePlatform;
    unsigned char macBytes[6];
    QString macAddress;
    unsigned char displayMacBytes[6];
    QString displayMacAddress;
    QString rebootTime;
    QString firmwareVersion;
    QString buildDate;
    QString buildRevision;
    QString hotStandbyState;
    QString firmwareFileName;
    bool onAdapterSubnet;
    bool ipConnectivity;
    bool vekConnectivity;
    bool favorite;
    quint64 lastVekCommTime;    // ms since the epoch
    quint64 lastIpCommTime;     // ms since the epoch
    quint64 discoveryTime;      // ms since the epoch
    QString localAdapterMac;
    bool userDevice;
    DISCOVERY_STATE discoveryState;
    qint32 nicCount;
    bool axguiSupport;
    bool secureGwSupport;
    bool diagSupport;
    bool jsonSupport;
    quint32 deviceStatus;       // DEVICE_STATUS bits
    quint32 platformCode;
    bool duplicateIpAddress;
    VEK_NET_SUPPORT vekNetSupport;
    SECURITY_STATUS securityStatus;
    bool passwordRequired;
    QString password;
    QString username;
    quint8 iamVersion;
};

Q_DECLARE_METATYPE(ArdentixDevice)

#endif // ARDENTIXDEVICE_H
