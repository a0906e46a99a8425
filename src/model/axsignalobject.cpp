#include "axsignalobject.h"

#include "axmetatypes.h"

AxSignalObject::AxSignalObject(AxSignalObject *upstreamRelay)
    : QObject(upstreamRelay)
    , settings(nullptr)
    , upstream(upstreamRelay)
{
    registerAxMetaTypes();
    if (!upstreamRelay)
        return;
    settings = upstreamRelay->settings;
    ++upstreamRelay->downstreamCount;
    chainUp();
    chainDown();
}

AxSignalObject::~AxSignalObject()
{
    // Null once the upstream is gone or being deleted.
    if (upstream)
        upstream->downstreamGone();
}

void AxSignalObject::ownerGone()
{
    if (downstreamCount == 0) {
        delete this;
        return;
    }
    outlivingOwner = true;
    setParent(upstream);
}

// Later, not here: the relay going may still be one of this relay's children.
void AxSignalObject::downstreamGone()
{
    --downstreamCount;
    if (outlivingOwner && downstreamCount == 0)
        deleteLater();
}

void AxSignalObject::chainUp()
{
    // Row 2 is connected after row 5.
    using A = AxSignalObject;
    connect(this, &A::signal_up_submit_user_value, upstream, &A::submit_user_value);
    connect(this, &A::_signal_up_axcomm_set_ip_and_restart, upstream, &A::_slot_up_axcomm_set_ip_and_restart);
    connect(this, &A::_signal_up_axgui_support, upstream, &A::_slot_up_axgui_support);
    connect(this, &A::_signal_up_diag_support, upstream, &A::_slot_up_diag_support);
    connect(this, &A::_signal_up_security_status, upstream, &A::_slot_up_security_status);
    connect(this, &A::_signal_up_json_support, upstream,
            qOverload<const QString &, bool, bool>(&A::_slot_up_json_support));
    connect(this, &A::_signal_up_vek_advanced_network_support, upstream,
            &A::_slot_up_vek_advanced_network_support);
    connect(this, &A::_signal_up_send_file, upstream, &A::_slot_up_send_file);
    connect(this, &A::_signal_up_get_file, upstream, &A::_slot_up_get_file);
    connect(this, &A::_signal_up_file_received, upstream, &A::_slot_up_file_received);
    connect(this, &A::_signal_up_file_send_complete, upstream, &A::_slot_up_file_send_complete);
    connect(this, &A::_signal_up_restart_device, upstream, &A::_slot_up_restart_device);
    connect(this, &A::_signal_up_time_sync_request, upstream, &A::_slot_up_time_sync_request);
    connect(this, &A::_signal_up_read_system_time_request, upstream, &A::_slot_up_read_system_time_request);
    connect(this, &A::_signal_up_system_time, upstream, &A::_slot_up_system_time);
    connect(this, &A::_signal_up_pause_update, upstream, &A::_slot_up_pause_update);
    connect(this, &A::_signal_up_get_flash_size, upstream, &A::_slot_up_get_flash_size);
    connect(this, &A::_signal_up_update_device_firmware_name, upstream,
            &A::_slot_up_update_device_firmware_name);
    connect(this, &A::_signal_up_set_device_password_protection, upstream,
            &A::_slot_up_set_device_password_protection);
    connect(this, &A::_signal_up_set_device_credentials, upstream, &A::_slot_up_set_device_credentials);
    connect(this, &A::_signal_up_user_authenticated, upstream, &A::_slot_up_user_authenticated);
    connect(this, &A::_signal_up_abort_bridge_snapshot, upstream, &A::_slot_up_abort_bridge_snapshot);
}

void AxSignalObject::chainDown()
{
    using A = AxSignalObject;
    connect(upstream, &A::signal_down_change_disp_value, this, &A::change_disp_value);
    connect(upstream, &A::_signal_down_axcomm_set_ip_and_restart, this, &A::_slot_down_axcomm_set_ip_and_restart);
    connect(upstream, &A::_signal_down_file_received, this, &A::_slot_down_file_received);
    connect(upstream, &A::_signal_down_file_send_complete, this, &A::_slot_down_file_send_complete);
    connect(upstream, &A::_signal_down_system_time, this, &A::_slot_down_system_time);
    connect(upstream, &A::_signal_down_update_device_firmware_name, this,
            &A::_slot_down_update_device_firmware_name);
    connect(upstream, &A::_signal_down_set_device_password_protection, this,
            &A::_slot_down_set_device_password_protection);
    connect(upstream, &A::_signal_down_user_authenticated, this, &A::_slot_down_user_authenticated);
}

void AxSignalObject::submit_user_value(int value)
{
    emit signal_up_submit_user_value(value);
}

void AxSignalObject::_slot_up_axcomm_set_ip_and_restart(const ArdentixDevice &device, const QString &n1Address,
                                                        const QString &n2Address, bool restart)
{
    emit _signal_up_axcomm_set_ip_and_restart(device, n1Address, n2Address, restart);
}

void AxSignalObject::_slot_up_json_support(const QString &ip, bool json, bool authRequired)
{
    emit _signal_up_json_support(ip, json, authRequired);
}

void AxSignalObject::_slot_up_json_support(const QString &ip, bool json)
{
    emit _signal_up_json_support(ip, json, false);
}

void AxSignalObject::_slot_up_axgui_support(const QString &ip, bool supported, bool answered)
{
    emit _signal_up_axgui_support(ip, supported, answered);
}

void AxSignalObject::_slot_up_diag_support(const QString &ip, bool supported, bool answered)
{
    emit _signal_up_diag_support(ip, supported, answered);
}

void AxSignalObject::_slot_up_security_status(const QString &ip, SECURITY_STATUS status, bool answered)
{
    emit _signal_up_security_status(ip, status, answered);
}

void AxSignalObject::_slot_up_vek_advanced_network_support(const QString &mac, VEK_NET_SUPPORT support)
{
    emit _signal_up_vek_advanced_network_support(mac, support);
}

void AxSignalObject::_slot_up_send_file(const QStringList &localPaths, const QStringList &remoteNames,
                                        const ArdentixDevice &device)
{
    emit _signal_up_send_file(localPaths, remoteNames, device);
}

void AxSignalObject::_slot_up_get_file(const QString &remoteName, const ArdentixDevice &device)
{
    emit _signal_up_get_file(remoteName, device);
}

void AxSignalObject::_slot_up_file_received(const QString &name, const QByteArray &contents, bool success,
                                            const ArdentixDevice &device)
{
    emit _signal_up_file_received(name, contents, success, device);
}

void AxSignalObject::_slot_up_file_send_complete(const QString &name, FILE_TRANSFER_STATE state, float percent,
                                                 const ArdentixDevice &device)
{
    emit _signal_up_file_send_complete(name, state, percent, device);
}

void AxSignalObject::_slot_up_restart_device(const ArdentixDevice &device)
{
    emit _signal_up_restart_device(device);
}

void AxSignalObject::_slot_up_time_sync_request(const QDateTime &time, const ArdentixDevice &device)
{
    emit _signal_up_time_sync_request(time, device);
}

void AxSignalObject::_slot_up_read_system_time_request(const ArdentixDevice &device)
{
    emit _signal_up_read_system_time_request(device);
}

void AxSignalObject::_slot_up_system_time(const QDateTime &time, const ArdentixDevice &device)
{
    emit _signal_up_system_time(time, device);
}

void AxSignalObject::_slot_up_pause_update(bool pause)
{
    emit _signal_up_pause_update(pause);
}

void AxSignalObject::_slot_up_get_flash_size(const ArdentixDevice &device)
{
    emit _signal_up_get_flash_size(device);
}

void AxSignalObject::_slot_up_update_device_firmware_name(const ArdentixDevice &device)
{
    emit _signal_up_update_device_firmware_name(device);
}

void AxSignalObject::_slot_up_set_device_password_protection(const QString &ip, bool protectedByPassword)
{
    emit _signal_up_set_device_password_protection(ip, protectedByPassword);
}

void AxSignalObject::_slot_up_set_device_credentials(const ArdentixDevice &device)
{
    emit _signal_up_set_device_credentials(device);
}

void AxSignalObject::_slot_up_user_authenticated(const ArdentixDevice &device, bool authenticated)
{
    emit _signal_up_user_authenticated(device, authenticated);
}

void AxSignalObject::_slot_up_abort_bridge_snapshot(const ArdentixDevice &device)
{
    emit _signal_up_abort_bridge_snapshot(device);
}

void AxSignalObject::change_disp_value(int value)
{
    emit signal_down_change_disp_value(value);
}

void AxSignalObject::_slot_down_axcomm_set_ip_and_restart(const ArdentixDevice &device, const QString &n1Address,
                                                          const QString &n2Address, bool restart)
{
    emit _signal_down_axcomm_set_ip_and_restart(device, n1Address, n2Address, restart);
}

void AxSignalObject::_slot_down_file_received(const QString &name, const QByteArray &contents, bool success,
                                              const ArdentixDevice &device)
{
    emit _signal_down_file_received(name, contents, success, device);
}

void AxSignalObject::_slot_down_file_send_complete(const QString &name, FILE_TRANSFER_STATE state, float percent,
                                                   const ArdentixDevice &device)
{
    emit _signal_down_file_send_complete(name, state, percent, device);
}

void AxSignalObject::_slot_down_system_time(const QDateTime &time, const ArdentixDevice &device)
{
    emit _signal_down_system_time(time, device);
}

void AxSignalObject::_slot_down_update_device_firmware_name(const ArdentixDevice &device)
{
    emit _signal_down_update_device_firmware_name(device);
}

void AxSignalObject::_slot_down_set_device_password_protection(const QString &ip, bool protectedByPassword)
{
    emit _signal_down_set_device_password_protection(ip, protectedByPassword);
}

void AxSignalObject::_slot_down_user_authenticated(const ArdentixDevice &device, bool authenticated)
{
    emit _signal_down_user_authenticated(device, authenticated);
}
