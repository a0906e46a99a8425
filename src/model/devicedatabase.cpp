#include "devicedatabase.h"

#include <QDateTime>
#include <QDebug>
#include <QHash>
#include <QTimer>

#include <algorithm>

namespace {

// Devices that answer this soon after start (or after removals resume) are listed online at once.
const qint64 startWindowMs = 3000;
const int ownMaintenanceIntervalMs = 1500;
const char *const placeholderPrefix = "Pending (";
const int rowByRowLimit = 50;

} // namespace

DeviceDatabase::DeviceDatabase(QObject *parent, Clock clock)
    : QObject(parent),
      m_clock(clock ? std::move(clock) : Clock(&QDateTime::currentMSecsSinceEpoch)),
      m_offlineAfterMs(30000),
      m_newPeriodMs(30000),
      m_lostAfterMs(6000),
      m_maintenanceTimer(nullptr),
      m_removalsSuspended(false)
{
    m_live.ensureOpen();
    m_file.ensureOpen();
    m_createdAtMs = now();
}

DeviceDatabase::~DeviceDatabase() = default;

QString DeviceDatabase::placeholderKey(const QHostAddress &address)
{
    return QLatin1String(placeholderPrefix) + address.toString() + QLatin1Char(')');
}

void DeviceDatabase::setTimeouts(int offlineAfterMs, int lostAfterMs, int newPeriodMs)
{
    m_offlineAfterMs = offlineAfterMs;
    m_lostAfterMs = lostAfterMs;
    m_newPeriodMs = newPeriodMs;
}

void DeviceDatabase::startMaintenanceTimer()
{
    if (!m_maintenanceTimer) {
        m_maintenanceTimer = new QTimer(this);
        connect(m_maintenanceTimer, &QTimer::timeout, this, &DeviceDatabase::databaseMaintenance);
    }
    m_maintenanceTimer->start(ownMaintenanceIntervalMs);
    databaseMaintenance();
}

ArdentixDevice DeviceDatabase::readDeviceByMac(const QString &mac, ReadResult *result)
{
    ArdentixDevice device;
    bool found = false;
    const bool read = m_live.ensureOpen() && m_live.readByMac(mac, &device, &found);
    if (!read && m_live.isOpen())
        qDebug() << m_live.lastError().text();
    if (result)
        *result = !read ? ReadFailed : (found ? DeviceFound : DeviceNotFound);
    return device;
}

QList<ArdentixDevice> DeviceDatabase::readDevicesByIp(const QString &ip)
{
    QList<ArdentixDevice> devices;
    if (m_live.ensureOpen())
        logIfUnread(m_live.readByIp(ip, &devices));
    return devices;
}

void DeviceDatabase::readAllDevices()
{
    if (m_live.ensureOpen())
        logIfUnread(m_live.forEachDevice([](const ArdentixDevice &) {}));
}

void DeviceDatabase::readUserDevices()
{
    if (m_live.ensureOpen())
        logIfUnread(m_live.forEachUserDevice([this](const ArdentixDevice &device) {
            emit userDeviceUpdateRequest(device);
        }));
}

void DeviceDatabase::addNewDevice(const ArdentixDevice &device)
{
    const QString ip = device.ipAddress.toString();
    const int ignored = m_ignoredIps.indexOf(ip);
    if (ignored >= 0) {
        if (!device.userDevice) {
            qDebug() << "Ignore device " << ip;
            return;
        }
        m_ignoredIps.removeAt(ignored);
    }
    if (!m_live.ensureOpen())
        return;
    if (!m_live.insert(device)) {
        qDebug() << m_live.lastError().text();
        return;
    }
    emit newDeviceAdded(device);
}

void DeviceDatabase::removeDeviceFromDefaultDatabaseByMac(const QString &mac)
{
    removeFromLiveTable({QStringLiteral("mac_address"), mac});
}

// True when rows went.
bool DeviceDatabase::removeFromLiveTable(const ColumnValue &key)
{
    if (!m_live.ensureOpen())
        return false;
    int removed = 0;
    if (!m_live.remove(key, &removed))
        qDebug() << m_live.lastError().text();
    else if (removed == 0)
        qDebug() << "No Devices removed";
    return removed > 0;
}

bool DeviceDatabase::removeDeviceFromFileDatabaseByMac(const QString &mac)
{
    int removed = 0;
    if (!m_file.removeByMac(mac, &removed)) {
        reportFileWriteFailure(tr("Device %1 not removed from the device file").arg(mac));
        return false;
    }
    if (removed == 0)
        qDebug() << "No Devices removed";
    return true;
}

bool DeviceDatabase::addDeviceToFileDatabase(ArdentixDevice device)
{
    device = storedOffline(device);
    if (!m_file.insert(device)) {
        reportFileWriteFailure(tr("Device %1 not saved to the device file").arg(device.macAddress));
        return false;
    }
    emit onlineDeviceUpdate(device);
    return true;
}

void DeviceDatabase::loadFileDatabase()
{
    QList<ArdentixDevice> devices;
    if (!m_file.readAll(&devices)) {
        qCritical().noquote() << "Device file not read:" << m_file.lastError();
        return;
    }
    for (ArdentixDevice device : std::as_const(devices)) {
        arrive(&device, Remembered);
        emit onlineDeviceUpdate(device);
    }
}

void DeviceDatabase::updateDeviceOnDefaultDatabase(ArdentixDevice device)
{
    arrive(&device, Heard);
}

// On return `device` is the record written to the live list.
void DeviceDatabase::arrive(ArdentixDevice *device, Arrival arrival)
{
    if (!m_live.ensureOpen())
        return;

    device->duplicateIpAddress = false;
    QList<ArdentixDevice> sharing;
    bool placeholderShares = false;
    if (isDuplicateIp(*device, &sharing, &placeholderShares)) {
        int changed = 0;
        for (ArdentixDevice &other : sharing) {
            other.duplicateIpAddress = true;
            m_live.updateByMac(other, &changed);
        }
        device->duplicateIpAddress = true;
    }

    int changed = 0;
    if (!m_live.updateByMac(*device, &changed)) {
        logUpdateError();
        return;
    }
    if (changed != 0) {
        if (placeholderShares)
            adoptPlaceholder(*device);
        if (arrival == Heard)
            comeBackInStartWindow(device->macAddress);
        return;
    }

    ReadResult placeholderRead = DeviceNotFound;
    const ArdentixDevice placeholder =
        readDeviceByMac(placeholderKey(device->ipAddress), &placeholderRead);
    if (placeholderRead == ReadFailed)
        return;
    if (placeholderRead == DeviceFound
        && placeholder.ipAddress.toString() == device->ipAddress.toString()) {
        replacePlaceholder(placeholder, device);
    } else if (arrival == Remembered) {
        // Until it answers in this run, it is shown as a device that went quiet.
        setUnheard(device);
    } else {
        const qint64 seenAt = now();
        device->discoveryTime = quint64(seenAt);
        if (inStartWindow(seenAt))
            device->discoveryState = DISCOVERY_ONLINE;
        else if (!device->userDevice)
            device->discoveryState = DISCOVERY_NEW;
    }
    addNewDevice(*device);
}

bool DeviceDatabase::readOnlineDevices(const QStringList &platformFilter)
{
    if (!m_live.ensureOpen())
        return true;
    return logIfUnread(m_live.forEachListedDevice(
        platformFilter, [this](const ArdentixDevice &device) { emit onlineDeviceUpdate(device); }));
}

void DeviceDatabase::updateDeviceOnFileDatabase(const ArdentixDevice &device)
{
    switch (m_file.update(device)) {
    case DeviceDatabaseFile::Updated:
        break;
    case DeviceDatabaseFile::NotStored:
        addDeviceToFileDatabase(device);
        break;
    case DeviceDatabaseFile::UpdateFailed:
        reportFileWriteFailure(tr("Device %1 not saved to the device file").arg(device.macAddress));
        break;
    }
}

void DeviceDatabase::deviceFavoriteChanged(const QString &mac, bool favorite)
{
    if (!m_live.ensureOpen())
        return;
    int changed = 0;
    if (!m_live.update({{QStringLiteral("favorite"), favorite}},
                       {QStringLiteral("mac_address"), mac}, &changed)) {
        logUpdateError();
        return;
    }
    if (changed == 0) {
        qCritical() << "deviceFavoriteChanged: Device update failed";
        qDebug() << "MAC: " << mac;
        return;
    }

    if (!favorite) {
        removeDeviceFromFileDatabaseByMac(mac);
        removeDeviceFromDefaultDatabaseByMac(mac);
        return;
    }
    ReadResult read = DeviceNotFound;
    const ArdentixDevice device = readDeviceByMac(mac, &read);
    if (read != DeviceFound) {
        reportFileWriteFailure(tr("Favourite %1 not saved to the device file").arg(mac));
        return;
    }
    updateDeviceOnFileDatabase(device);
}

void DeviceDatabase::databaseMaintenance()
{
    if (!m_live.ensureOpen())
        return;
    const DeviceDatabaseLifeCycle lifeCycle(now(), m_lostAfterMs, m_offlineAfterMs, m_newPeriodMs);

    // Most rows keep their state: SQLite leaves out the online rows heard lately, the
    // rest are decided on the few columns that tell, and whole rows are read only for
    // those that change, go, or still count a duplicate address as reachable.
    QList<QPair<QString, DeviceDatabaseLifeCycle::Step>> work;
    const auto decide = [&](const DeviceDatabaseLifeCycle::Row &row) {
        const DeviceDatabaseLifeCycle::Step step = lifeCycle.step(row);
        const bool removable =
            DeviceDatabaseLifeCycle::stateAfter(step, row.discoveryState) == DISCOVERY_OFFLINE
            && !row.favorite && !m_removalsSuspended;
        if (step != DeviceDatabaseLifeCycle::Unchanged || removable
            || (row.ipConnectivity && row.duplicateIpAddress)) {
            work.append({row.macAddress, step});
        }
    };
    if (!m_live.forEachAgeingCandidate(lifeCycle.heardAfter(), decide)) {
        qDebug() << m_live.lastError().text();
        return;
    }

    const auto age = [&](ArdentixDevice device, DeviceDatabaseLifeCycle::Step step) {
        applyStep(&device, step, lifeCycle.now());
        databaseMaintenanceUpdate(device);
    };
    // Reading one row costs about as much as stepping twenty: for many, one scan is cheaper.
    if (work.size() <= rowByRowLimit) {
        for (const auto &[mac, step] : std::as_const(work)) {
            ArdentixDevice device;
            bool found = false;
            if (!m_live.readByMac(mac, &device, &found))
                qDebug() << m_live.lastError().text();
            else if (found) // else gone meanwhile, through a slot connected to an earlier signal
                age(device, step);
        }
        return;
    }
    const QHash<QString, DeviceDatabaseLifeCycle::Step> steps(work.cbegin(), work.cend());
    logIfUnread(m_live.forEachDevice([&](const ArdentixDevice &device) {
        const auto step = steps.constFind(device.macAddress);
        if (step != steps.constEnd())
            age(device, *step);
    }));
}

void DeviceDatabase::databaseMaintenanceUpdate(const ArdentixDevice &device)
{
    if (!m_live.isOpen())
        return;
    if (device.discoveryState == DISCOVERY_OFFLINE && !device.favorite && !m_removalsSuspended) {
        removeDeviceFromDefaultDatabaseByMac(device.macAddress);
        return;
    }
    updateColumns("databaseMaintenanceUpdate",
                  {{QStringLiteral("ip_connectivity"), device.isIpReachable()},
                   {QStringLiteral("vek_connectivity"), device.vekConnectivity},
                   {QStringLiteral("discovery_time"), device.discoveryTime},
                   {QStringLiteral("discovery_state"), int(device.discoveryState)},
                   {QStringLiteral("json_support"), device.jsonSupport},
                   {QStringLiteral("axgui_support"), device.axguiSupport},
                   {QStringLiteral("vek_advanced_network_support"), int(device.vekNetSupport)},
                   {QStringLiteral("secure_gw_support"), device.secureGwSupport},
                   {QStringLiteral("diag_support"), device.diagSupport},
                   {QStringLiteral("security_status"), int(device.securityStatus)}},
                  {QStringLiteral("mac_address"), device.macAddress});
}

void DeviceDatabase::checkAxguiSupport()
{
    if (m_live.ensureOpen())
        logIfUnread(m_live.forEachDevice([this](const ArdentixDevice &device) {
            emit forceCheckAxguiSupport(device);
        }));
}

// A read of the device table that failed is logged; `read` is handed back.
bool DeviceDatabase::logIfUnread(bool read) const
{
    if (!read)
        qDebug() << m_live.lastError().text();
    return read;
}

void DeviceDatabase::updateDeviceIpConnectivity(const QString &ip, bool ipConnectivity)
{
    QList<ColumnValue> values{{QStringLiteral("ip_connectivity"), ipConnectivity}};
    if (ipConnectivity)
        values.append({QStringLiteral("last_ip_comm_time"), quint64(now())});
    updateColumns("updateDeviceIpConnectivity", values, {QStringLiteral("ip_address"), ip});
}

void DeviceDatabase::removeDeviceFromDefaultDatabaseByIP(const QString &ip)
{
    if (ip == m_placeholderGoing)
        return;
    qDebug() << "Remove device from default DB with IP: " << ip;
    if (removeFromLiveTable({QStringLiteral("ip_address"), ip}))
        m_ignoredIps.append(ip);
}

void DeviceDatabase::removeDeviceFromFileDatabaseByIP(const QString &ip)
{
    if (ip == m_placeholderGoing)
        return;
    qDebug() << "Remove device from file DB with IP: " << ip;
    int removed = 0;
    if (!m_file.removeByIp(ip, &removed))
        reportFileWriteFailure(tr("Device %1 not removed from the device file").arg(ip));
    else if (removed == 0)
        qDebug() << "No Devices removed";
}

void DeviceDatabase::updateJsonSupported(const QString &ip, bool json, bool authRequired)
{
    Q_UNUSED(authRequired) // carried by the bus; the store has no column for it
    updateProbeResult("updateJsonSupported", {QStringLiteral("json_support"), json}, json, ip);
}

void DeviceDatabase::updateAxguiSupported(const QString &ip, bool axgui, bool answered)
{
    updateProbeResult("updateAxguiSupported", {QStringLiteral("axgui_support"), axgui}, answered, ip);
}

void DeviceDatabase::updateSecurityStatus(const QString &ip, SECURITY_STATUS status, bool answered)
{
    updateProbeResult("updateSecurityStatus", {QStringLiteral("security_status"), int(status)}, answered, ip);
}

void DeviceDatabase::updateDiagSupported(const QString &ip, bool diag, bool answered)
{
    updateProbeResult("updateDiagnosticsSupported", {QStringLiteral("diag_support"), diag}, answered, ip);
}

// A probe of the device's web side: its result, and the time of the answer when one came.
void DeviceDatabase::updateProbeResult(const char *operation, const ColumnValue &result, bool answered,
                                       const QString &ip)
{
    QList<ColumnValue> values{result};
    if (answered)
        values.append({QStringLiteral("last_ip_comm_time"), quint64(now())});
    updateColumns(operation, values, {QStringLiteral("ip_address"), ip});
}

void DeviceDatabase::updateVekAdvancedNetworkSupported(const QString &mac,
                                                       VEK_NET_SUPPORT netSupport)
{
    updateColumns("updateVekAdvancedNetworkSupported",
                  {{QStringLiteral("vek_advanced_network_support"), int(netSupport)},
                   {QStringLiteral("last_vek_comm_time"), quint64(now())}},
                  {QStringLiteral("mac_address"), mac});
}

void DeviceDatabase::setDevicePasswordProtected(const QString &ip, bool passwordProtected)
{
    updateColumns("setDevicePasswordProtected",
                  {{QStringLiteral("password_required"), passwordProtected}},
                  {QStringLiteral("ip_address"), ip});
}

void DeviceDatabase::setDeviceCredentials(const ArdentixDevice &device)
{
    updateColumns("setDeviceCredentials",
                  {{QStringLiteral("password_required"), true},
                   {QStringLiteral("username"), device.username},
                   {QStringLiteral("password"), device.password}},
                  {QStringLiteral("ip_address"), device.ipAddress.toString()});
}

void DeviceDatabase::setRemovalSuspension(bool suspend)
{
    if (!suspend)
        m_createdAtMs = now();
    m_removalsSuspended = suspend;
    qDebug() << "Database - suspend  removals: " << suspend;
}

qint64 DeviceDatabase::now() const
{
    return m_clock();
}

bool DeviceDatabase::isDuplicateIp(const ArdentixDevice &device, QList<ArdentixDevice> *sharing,
                                   bool *placeholderShares)
{
    // A placeholder stands for a device not heard yet: it is no second device at its address.
    const auto isPlaceholder = [](const QString &mac) { return mac.startsWith(QLatin1String(placeholderPrefix)); };
    if (isPlaceholder(device.macAddress))
        return false;
    // Every answer of every device comes here: its address is looked up by MAC
    // alone, and whole rows are read only when they are to be marked.
    const QString ip = device.ipAddress.toString();
    QStringList macs;
    if (!m_live.readMacsByIp(ip, &macs)) {
        qDebug() << m_live.lastError().text();
        return false;
    }
    const auto placeholders = std::remove_if(macs.begin(), macs.end(), isPlaceholder);
    *placeholderShares = placeholders != macs.end();
    macs.erase(placeholders, macs.end());
    if (macs.isEmpty() || (macs.size() == 1 && macs.first() == device.macAddress))
        return false;
    for (const ArdentixDevice &row : readDevicesByIp(ip)) {
        if (!isPlaceholder(row.macAddress))
            sharing->append(row);
    }
    return true;
}

void DeviceDatabase::replacePlaceholder(const ArdentixDevice &placeholder, ArdentixDevice *device)
{
    device->userDevice = true;
    device->favorite = placeholder.favorite;
    announcePlaceholderGone(placeholder.macAddress, device->ipAddress);
    removeDeviceFromDefaultDatabaseByMac(placeholder.macAddress);

    *device = storedOffline(*device);
    // One transaction: if the device cannot be written, the file keeps the placeholder.
    if (m_file.replace(placeholder.macAddress, *device))
        emit onlineDeviceUpdate(*device);
    else
        reportFileWriteFailure(tr("User device %1 not saved to the device file")
                                   .arg(device->macAddress));
}

// A device already listed answers from an address the user added: the entry
// was waiting for this device, so it goes, and the device becomes the user's.
void DeviceDatabase::adoptPlaceholder(const ArdentixDevice &device)
{
    const QString key = placeholderKey(device.ipAddress);
    ReadResult placeholderRead = DeviceNotFound;
    const ArdentixDevice placeholder = readDeviceByMac(key, &placeholderRead);
    if (placeholderRead != DeviceFound)
        return;
    announcePlaceholderGone(key, device.ipAddress);
    removeDeviceFromDefaultDatabaseByMac(key);
    updateColumns("adoptPlaceholder",
                  {{QStringLiteral("user_device"), true}, {QStringLiteral("favorite"), placeholder.favorite}},
                  {QStringLiteral("mac_address"), device.macAddress});

    ArdentixDevice adopted = readDeviceByMac(device.macAddress, &placeholderRead);
    if (placeholderRead != DeviceFound)
        return;
    // Stored first, so a failed write keeps the entry in the file for the next run.
    int removed = 0;
    if (m_file.update(adopted) == DeviceDatabaseFile::NotStored && !m_file.insert(storedOffline(adopted)))
        reportFileWriteFailure(tr("User device %1 not saved to the device file").arg(adopted.macAddress));
    else if (!m_file.removeByMac(key, &removed))
        reportFileWriteFailure(tr("Device %1 not removed from the device file").arg(key));
}

// The window drops the entry's row and, as for any user device's row, asks for
// the removal of its address. The store removes the entry by its key itself; by
// address it would also take the device that answered there, and ignore it.
void DeviceDatabase::announcePlaceholderGone(const QString &key, const QHostAddress &address)
{
    m_placeholderGoing = address.toString();
    emit removeDevice(key);
    m_placeholderGoing.clear();
}

bool DeviceDatabase::inStartWindow(qint64 time) const
{
    return time <= m_createdAtMs + startWindowMs;
}

// A remembered device that answers in the first seconds is shown as the devices
// first heard then are: online at once, not new for the new period.
void DeviceDatabase::comeBackInStartWindow(const QString &mac)
{
    const qint64 heardAt = now();
    if (!inStartWindow(heardAt))
        return;
    ReadResult read = DeviceNotFound;
    ArdentixDevice device = readDeviceByMac(mac, &read);
    if (read != DeviceFound || device.discoveryState != DISCOVERY_OFFLINE)
        return;
    device.discoveryState = DISCOVERY_ONLINE;
    device.discoveryTime = quint64(heardAt);
    updateColumns("comeBackInStartWindow",
                  {{QStringLiteral("discovery_state"), int(device.discoveryState)},
                   {QStringLiteral("discovery_time"), device.discoveryTime}},
                  {QStringLiteral("mac_address"), mac});
    // Its web side is asked again, as for any device that comes back.
    emit forceCheckAxguiSupport(device);
}

void DeviceDatabase::applyStep(ArdentixDevice *device, DeviceDatabaseLifeCycle::Step step,
                               quint64 now)
{
    switch (step) {
    case DeviceDatabaseLifeCycle::Unchanged:
        break;
    case DeviceDatabaseLifeCycle::NewToOnline:
        device->discoveryState = DISCOVERY_ONLINE;
        break;
    case DeviceDatabaseLifeCycle::OnlineNeverHeard:
        setUnheard(device);
        break;
    case DeviceDatabaseLifeCycle::OnlineToLost:
        device->discoveryState = DISCOVERY_LOST;
        device->ipConnectivity = false;
        device->vekConnectivity = false;
        emit deviceLost(*device);
        break;
    case DeviceDatabaseLifeCycle::LostToOnline:
    case DeviceDatabaseLifeCycle::LostToOnlineToOffline:
        device->discoveryState = DISCOVERY_ONLINE;
        emit forceCheckAxguiSupport(*device);
        if (step == DeviceDatabaseLifeCycle::LostToOnline)
            break;
        Q_FALLTHROUGH();
    case DeviceDatabaseLifeCycle::LostToOffline:
        device->discoveryState = DISCOVERY_OFFLINE;
        device->ipConnectivity = false;
        device->vekConnectivity = false;
        emit deviceOffline(*device);
        break;
    case DeviceDatabaseLifeCycle::OfflineToNew:
        device->discoveryState = DISCOVERY_NEW;
        device->discoveryTime = now;
        emit forceCheckAxguiSupport(*device);
        break;
    }
}

void DeviceDatabase::updateColumns(const char *operation, const QList<ColumnValue> &values,
                                   const ColumnValue &key)
{
    if (!m_live.ensureOpen())
        return;
    int changed = 0;
    if (!m_live.update(values, key, &changed))
        logUpdateError();
    else if (changed == 0)
        qCritical().noquote() << operation + QStringLiteral(": Device update failed");
}

void DeviceDatabase::logUpdateError()
{
    qDebug() << m_live.lastError().text();
    qDebug() << int(m_live.lastError().type());
}

void DeviceDatabase::reportFileWriteFailure(const QString &what)
{
    const QString message = what + QStringLiteral(": ") + m_file.lastError();
    qCritical().noquote() << message;
    emit fileDatabaseWriteFailed(message);
}

void DeviceDatabase::setUnheard(ArdentixDevice *device)
{
    device->discoveryState = DISCOVERY_OFFLINE;
    device->ipConnectivity = false;
    device->vekConnectivity = false;
    device->jsonSupport = false;
}

ArdentixDevice DeviceDatabase::storedOffline(ArdentixDevice device)
{
    // The device file holds no time stamps and no live state.
    device.discoveryTime = 0;
    device.lastIpCommTime = 0;
    device.lastVekCommTime = 0;
    device.discoveryState = DISCOVERY_OFFLINE;
    return device;
}
