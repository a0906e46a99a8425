#ifndef DEVICEDATABASE_H
#define DEVICEDATABASE_H

#include "ardentixdevice.h"
#include "axtypes.h"
#include "devicedatabasefile.h"
#include "devicedatabaselifecycle.h"
#include "devicedatabaselivetable.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QTimer;

// The device store: the live list of every device found, aged through new, online,
// lost and offline, and the device file that keeps favourites and user-added devices
// from one run to the next. The live list keeps working whatever state the file is in.
class DeviceDatabase : public QObject
{
    Q_OBJECT

public:
    // Milliseconds since the epoch; every time the store stamps or compares comes from here.
    using Clock = std::function<qint64()>;

    enum ReadResult { DeviceFound, DeviceNotFound, ReadFailed };

    explicit DeviceDatabase(QObject *parent = nullptr, Clock clock = Clock());
    ~DeviceDatabase() override;

    // The MAC text under which a device added by its IP address waits for its first answer.
    static QString placeholderKey(const QHostAddress &address);

    void setTimeouts(int offlineAfterMs, int lostAfterMs, int newPeriodMs);
    void startMaintenanceTimer();

    // A default record unless found; *result tells "not stored" from a failed read.
    ArdentixDevice readDeviceByMac(const QString &mac, ReadResult *result = nullptr);
    QList<ArdentixDevice> readDevicesByIp(const QString &ip);
    void readAllDevices();
    void readUserDevices();
    void addNewDevice(const ArdentixDevice &device);
    void removeDeviceFromDefaultDatabaseByMac(const QString &mac);

    // File writes return false, after reporting it, when the device file was not changed.
    bool removeDeviceFromFileDatabaseByMac(const QString &mac);
    bool addDeviceToFileDatabase(ArdentixDevice device);
    void loadFileDatabase();

public slots:
    void updateDeviceOnDefaultDatabase(ArdentixDevice device);
    bool readOnlineDevices(const QStringList &platformFilter = QStringList());
    void updateDeviceOnFileDatabase(const ArdentixDevice &device);
    void deviceFavoriteChanged(const QString &mac, bool favorite);

    void databaseMaintenance();
    void databaseMaintenanceUpdate(const ArdentixDevice &device);
    void checkAxguiSupport();

    void updateDeviceIpConnectivity(const QString &ip, bool ipConnectivity);
    void removeDeviceFromDefaultDatabaseByIP(const QString &ip);
    void removeDeviceFromFileDatabaseByIP(const QString &ip);
    void updateJsonSupported(const QString &ip, bool json, bool authRequired);
    // answered: the report comes from the device's own answer, which counts as IP traffic.
    void updateAxguiSupported(const QString &ip, bool axgui, bool answered);
    void updateSecurityStatus(const QString &ip, SECURITY_STATUS status, bool answered);
    void updateDiagSupported(const QString &ip, bool diag, bool answered);
    void updateVekAdvancedNetworkSupported(const QString &mac, VEK_NET_SUPPORT netSupport);
    void setDevicePasswordProtected(const QString &ip, bool passwordProtected);
    void setDeviceCredentials(const ArdentixDevice &device);
    void setRemovalSuspension(bool suspend);

signals:
    void onlineDeviceUpdate(const ArdentixDevice &device);
    void newDeviceAdded(const ArdentixDevice &device);
    void userDeviceUpdateRequest(const ArdentixDevice &device);
    void removeDevice(const QString &mac);
    void deviceLost(const ArdentixDevice &device);
    void deviceOffline(const ArdentixDevice &device);
    void forceCheckAxguiSupport(const ArdentixDevice &device);
    // A favourite or user device could not be written to, or removed from, the device file.
    void fileDatabaseWriteFailed(const QString &message);

private:
    using ColumnValue = DeviceDatabaseLiveTable::ColumnValue;
    // Heard: reported by the network or the user. Remembered: read from the device file.
    enum Arrival { Heard, Remembered };

    qint64 now() const;
    void arrive(ArdentixDevice *device, Arrival arrival);
    // *placeholderShares tells whether a user-added entry waits at the device's address.
    bool isDuplicateIp(const ArdentixDevice &device, QList<ArdentixDevice> *sharing, bool *placeholderShares);
    void replacePlaceholder(const ArdentixDevice &placeholder, ArdentixDevice *device);
    void adoptPlaceholder(const ArdentixDevice &device);
    void announcePlaceholderGone(const QString &key, const QHostAddress &address);
    bool inStartWindow(qint64 time) const;
    void comeBackInStartWindow(const QString &mac);
    void applyStep(ArdentixDevice *device, DeviceDatabaseLifeCycle::Step step, quint64 now);
    void updateColumns(const char *operation, const QList<ColumnValue> &values,
                       const ColumnValue &key);
    void updateProbeResult(const char *operation, const ColumnValue &result, bool answered, const QString &ip);
    void logUpdateError();
    bool logIfUnread(bool read) const;
    bool removeFromLiveTable(const ColumnValue &key);
    void reportFileWriteFailure(const QString &what);
    // Offline, with no connectivity and no JSON route: no traffic since it was stored.
    static void setUnheard(ArdentixDevice *device);
    static ArdentixDevice storedOffline(ArdentixDevice device);

    Clock m_clock;
    DeviceDatabaseLiveTable m_live;
    DeviceDatabaseFile m_file;
    int m_offlineAfterMs;
    int m_newPeriodMs;
    int m_lostAfterMs;
    QTimer *m_maintenanceTimer;
    qint64 m_createdAtMs;
    QStringList m_ignoredIps;
    QString m_placeholderGoing;   // the address whose entry removeDevice is announcing
    bool m_removalsSuspended;
};

#endif // DEVICEDATABASE_H
