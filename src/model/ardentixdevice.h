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

    bool isIpReachable() const;

    static int nicCountForPlatform(int code);
    static QString platformNameForCode(int code);
    static int platformCodeForName(const QString &name);
    QString firmwareFileNameFor(int code, int flashFlag) const;

    void setCredentials(const QString &username, const QString &password);
    void setPasswordRequired(bool required);
    bool setIpAddress(const QString &address);
    void setMac(const unsigned char *bytes);
    void setDisplayMac(const unsigned char *bytes);
    void setMacString(const QString &text);
    void setDisplayMacString(const QString &text);

    float firmwareVersionNumber() const;
    bool isCoreFirmwareAtLeast618() const;
    bool isFirmwareAtLeast621() const;
    bool isFirmwareAtLeast616() const;
    QString statusText() const;

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
    quint64 lastVekCommTime;
    quint64 lastIpCommTime;
    quint64 discoveryTime;
    QString localAdapterMac;
    bool userDevice;
    DISCOVERY_STATE discoveryState;
    qint32 nicCount;
    bool axguiSupport;
    bool secureGwSupport;
    bool diagSupport;
    bool jsonSupport;
    quint32 deviceStatus;
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
