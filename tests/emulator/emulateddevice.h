#ifndef EMULATEDDEVICE_H
#define EMULATEDDEVICE_H

#include <QByteArray>
#include <QHostAddress>
#include <QString>

// One emulated gateway: what it tells about itself and how it misbehaves.
struct EmulatedDevice
{
    QByteArray mac;             // six bytes
    QHostAddress ip;
    int prefixLength = 24;
    quint32 platformCode = 300;
    QString platformName;       // empty: the toolbox names it from the code
    QString title;
    QString firmware = QStringLiteral("6.21.0");
    QString restartTime = QStringLiteral("2026-01-01 00:00:00");
    QString tag;
    quint8 replyVersion = 1;
    quint32 status = 0;
    int replySize = 234;        // 234: 16-bit platform code, 238 and longer: 32-bit
    bool largeFlash = false;
    quint16 netSupport = 0x420;

    int lateMs = 0;             // every answer waits this long
    bool malformed = false;     // identification replies are cut short
    bool silent = false;        // answers nothing

    QString macText() const;
    bool isInSubnetBroadcast(const QHostAddress &address) const;
};

#endif // EMULATEDDEVICE_H
