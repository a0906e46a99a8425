#include "devicedatabaserows.h"

#include <QSqlQuery>
#include <QVariant>

void DeviceDatabaseRows::bindLiveInsert(QSqlQuery &query, const ArdentixDevice &device)
{
    bindFileColumns(query, device);
    query.bindValue(QStringLiteral(":password_required"), device.passwordRequired);
    query.bindValue(QStringLiteral(":username"), device.username);
    query.bindValue(QStringLiteral(":password"), device.password);
    query.bindValue(QStringLiteral(":local_adapter_mac_display"), device.displayMacAddress);
}

void DeviceDatabaseRows::bindFileInsert(QSqlQuery &query, const ArdentixDevice &device)
{
    bindFileColumns(query, device);
}

void DeviceDatabaseRows::bindUpdateByMac(QSqlQuery &query, const ArdentixDevice &device,
                                         DeviceDatabaseSchema::Layout layout)
{
    bindDescription(query, device);
    query.bindValue(QStringLiteral(":ip_connectivity"), device.isIpReachable());
    query.bindValue(QStringLiteral(":vek_connectivity"), device.vekConnectivity);
    if (device.lastVekCommTime != 0)
        query.bindValue(QStringLiteral(":last_vek_comm_time"), device.lastVekCommTime);
    query.bindValue(QStringLiteral(":local_adapter_mac"), device.localAdapterMac);
    query.bindValue(QStringLiteral(":device_status"), device.deviceStatus);
    query.bindValue(QStringLiteral(":nic_count"), device.nicCount);
    query.bindValue(QStringLiteral(":duplicate_ip_address"), device.duplicateIpAddress);
    query.bindValue(QStringLiteral(":firmware_file_name"), device.firmwareFileName);
    query.bindValue(QStringLiteral(":platform_code"), device.platformCode);
    query.bindValue(QStringLiteral(":secure_gw_support"), device.secureGwSupport);
    if (device.lastIpCommTime != 0)
        query.bindValue(QStringLiteral(":last_ip_comm_time"), device.lastIpCommTime);
    if (DeviceDatabaseSchema::updatesDisplayMac(device, layout))
        query.bindValue(QStringLiteral(":local_adapter_mac_display"), device.displayMacAddress);
    query.bindValue(QStringLiteral(":mac_address"), device.macAddress);
}

// What the device says of itself in every answer: address, title, firmware and platform.
void DeviceDatabaseRows::bindDescription(QSqlQuery &query, const ArdentixDevice &device)
{
    query.bindValue(QStringLiteral(":ip_address"), device.ipAddress.toString());
    query.bindValue(QStringLiteral(":config_title"), device.configTitle);
    query.bindValue(QStringLiteral(":firmware_version"), device.firmwareVersion);
    query.bindValue(QStringLiteral(":reboot_time"), device.rebootTime);
    query.bindValue(QStringLiteral(":build_date"), device.buildDate);
    query.bindValue(QStringLiteral(":device_platform"), device.devicePlatform);
    query.bindValue(QStringLiteral(":build_revision"), device.buildRevision);
    query.bindValue(QStringLiteral(":hot_standby_state"), device.hotStandbyState);
}

void DeviceDatabaseRows::bindFileColumns(QSqlQuery &query, const ArdentixDevice &device)
{
    query.bindValue(QStringLiteral(":mac_address"), device.macAddress);
    bindDescription(query, device);
    query.bindValue(QStringLiteral(":favorite"), device.favorite);
    query.bindValue(QStringLiteral(":ip_connectivity"), device.isIpReachable());
    query.bindValue(QStringLiteral(":vek_connectivity"), device.vekConnectivity);
    query.bindValue(QStringLiteral(":last_vek_comm_time"), device.lastVekCommTime);
    query.bindValue(QStringLiteral(":user_device"), device.userDevice);
    query.bindValue(QStringLiteral(":local_adapter_mac"), device.localAdapterMac);
    query.bindValue(QStringLiteral(":device_status"), device.deviceStatus);
    query.bindValue(QStringLiteral(":discovery_time"), device.discoveryTime);
    query.bindValue(QStringLiteral(":discovery_state"), int(device.discoveryState));
    query.bindValue(QStringLiteral(":last_ip_comm_time"), device.lastIpCommTime);
    query.bindValue(QStringLiteral(":nic_count"), device.nicCount);
    query.bindValue(QStringLiteral(":json_support"), device.jsonSupport);
    query.bindValue(QStringLiteral(":axgui_support"), device.axguiSupport);
    query.bindValue(QStringLiteral(":vek_advanced_network_support"), int(device.vekNetSupport));
    query.bindValue(QStringLiteral(":duplicate_ip_address"), device.duplicateIpAddress);
    query.bindValue(QStringLiteral(":firmware_file_name"), device.firmwareFileName);
    query.bindValue(QStringLiteral(":platform_code"), device.platformCode);
    query.bindValue(QStringLiteral(":secure_gw_support"), device.secureGwSupport);
    query.bindValue(QStringLiteral(":diag_support"), device.diagSupport);
    query.bindValue(QStringLiteral(":security_status"), int(device.securityStatus));
}
