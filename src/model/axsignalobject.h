#ifndef AXSIGNALOBJECT_H
#define AXSIGNALOBJECT_H

#include "ardentixdevice.h"
#include "axtypes.h"
#include "configsettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

// One relay of the signal bus. Requests and reports ("up" rows) climb from relay
// to relay to the root, where the controller wires them to their servers; results
// looped back at the root ("down" rows) spread to every relay below it. Each slot
// only re-emits its own row's signal.
class AxSignalObject : public QObject
{
    Q_OBJECT

public:
    // The upstream relay is also the Qt parent; without one this is a root.
    explicit AxSignalObject(AxSignalObject *upstream = nullptr);
    ~AxSignalObject() override;

    // Told by the window that owned this relay as the window goes. Without
    // relays below it the relay goes at once; otherwise it stays chained, a
    // child of its upstream, so the windows below keep working, and goes
    // after the last of their relays.
    void ownerGone();

    // The active settings profile, copied from the upstream at construction;
    // the root's owner sets the root's.
    const CONFIG_SETTINGS *settings;
    QPointer<AxSignalObject> upstream;

signals:
    // Up rows 0 to 21.
    void signal_up_submit_user_value(int value);
    void _signal_up_axcomm_set_ip_and_restart(const ArdentixDevice &device, const QString &n1Address,
                                              const QString &n2Address, bool restart);
    void _signal_up_json_support(const QString &ip, bool json, bool authRequired);
    void _signal_up_axgui_support(const QString &ip, bool supported, bool answered);
    void _signal_up_diag_support(const QString &ip, bool supported, bool answered);
    void _signal_up_security_status(const QString &ip, SECURITY_STATUS status, bool answered);
    void _signal_up_vek_advanced_network_support(const QString &mac, VEK_NET_SUPPORT support);
    void _signal_up_send_file(const QStringList &localPaths, const QStringList &remoteNames,
                              const ArdentixDevice &device);
    void _signal_up_get_file(const QString &remoteName, const ArdentixDevice &device);
    void _signal_up_file_received(const QString &name, const QByteArray &contents, bool success,
                                  const ArdentixDevice &device);
    void _signal_up_file_send_complete(const QString &name, FILE_TRANSFER_STATE state, float percent,
                                       const ArdentixDevice &device);
    void _signal_up_restart_device(const ArdentixDevice &device);
    void _signal_up_time_sync_request(const QDateTime &time, const ArdentixDevice &device);
    void _signal_up_read_system_time_request(const ArdentixDevice &device);
    void _signal_up_system_time(const QDateTime &time, const ArdentixDevice &device);
    void _signal_up_pause_update(bool pause);
    void _signal_up_get_flash_size(const ArdentixDevice &device);
    void _signal_up_update_device_firmware_name(const ArdentixDevice &device);
    void _signal_up_set_device_password_protection(const QString &ip, bool protectedByPassword);
    void _signal_up_set_device_credentials(const ArdentixDevice &device);
    void _signal_up_user_authenticated(const ArdentixDevice &device, bool authenticated);
    void _signal_up_abort_bridge_snapshot(const ArdentixDevice &device);

    // Down rows 22 to 29.
    void signal_down_change_disp_value(int value);
    void _signal_down_axcomm_set_ip_and_restart(const ArdentixDevice &device, const QString &n1Address,
                                                const QString &n2Address, bool restart);
    void _signal_down_file_received(const QString &name, const QByteArray &contents, bool success,
                                    const ArdentixDevice &device);
    void _signal_down_file_send_complete(const QString &name, FILE_TRANSFER_STATE state, float percent,
                                         const ArdentixDevice &device);
    void _signal_down_system_time(const QDateTime &time, const ArdentixDevice &device);
    void _signal_down_update_device_firmware_name(const ArdentixDevice &device);
    void _signal_down_set_device_password_protection(const QString &ip, bool protectedByPassword);
    void _signal_down_user_authenticated(const ArdentixDevice &device, bool authenticated);

public slots:
    // Up rows 0 to 21.
    void submit_user_value(int value);
    void _slot_up_axcomm_set_ip_and_restart(const ArdentixDevice &device, const QString &n1Address,
                                            const QString &n2Address, bool restart);
    void _slot_up_json_support(const QString &ip, bool json, bool authRequired);
    void _slot_up_json_support(const QString &ip, bool json);   // authRequired false
    void _slot_up_axgui_support(const QString &ip, bool supported, bool answered);
    void _slot_up_diag_support(const QString &ip, bool supported, bool answered);
    void _slot_up_security_status(const QString &ip, SECURITY_STATUS status, bool answered);
    void _slot_up_vek_advanced_network_support(const QString &mac, VEK_NET_SUPPORT support);
    void _slot_up_send_file(const QStringList &localPaths, const QStringList &remoteNames,
                            const ArdentixDevice &device);
    void _slot_up_get_file(const QString &remoteName, const ArdentixDevice &device);
    void _slot_up_file_received(const QString &name, const QByteArray &contents, bool success,
                                const ArdentixDevice &device);
    void _slot_up_file_send_complete(const QString &name, FILE_TRANSFER_STATE state, float percent,
                                     const ArdentixDevice &device);
    void _slot_up_restart_device(const ArdentixDevice &device);
    void _slot_up_time_sync_request(const QDateTime &time, const ArdentixDevice &device);
    void _slot_up_read_system_time_request(const ArdentixDevice &device);
    void _slot_up_system_time(const QDateTime &time, const ArdentixDevice &device);
    void _slot_up_pause_update(bool pause);
    void _slot_up_get_flash_size(const ArdentixDevice &device);
    void _slot_up_update_device_firmware_name(const ArdentixDevice &device);
    void _slot_up_set_device_password_protection(const QString &ip, bool protectedByPassword);
    void _slot_up_set_device_credentials(const ArdentixDevice &device);
    void _slot_up_user_authenticated(const ArdentixDevice &device, bool authenticated);
    void _slot_up_abort_bridge_snapshot(const ArdentixDevice &device);

    // Down rows 22 to 29.
    void change_disp_value(int value);
    void _slot_down_axcomm_set_ip_and_restart(const ArdentixDevice &device, const QString &n1Address,
                                              const QString &n2Address, bool restart);
    void _slot_down_file_received(const QString &name, const QByteArray &contents, bool success,
                                  const ArdentixDevice &device);
    void _slot_down_file_send_complete(const QString &name, FILE_TRANSFER_STATE state, float percent,
                                       const ArdentixDevice &device);
    void _slot_down_system_time(const QDateTime &time, const ArdentixDevice &device);
    void _slot_down_update_device_firmware_name(const ArdentixDevice &device);
    void _slot_down_set_device_password_protection(const QString &ip, bool protectedByPassword);
    void _slot_down_user_authenticated(const ArdentixDevice &device, bool authenticated);

private:
    void chainUp();
    void chainDown();
    void downstreamGone();

    int downstreamCount = 0;
    bool outlivingOwner = false;
};

#endif // AXSIGNALOBJECT_H
