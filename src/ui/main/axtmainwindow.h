#ifndef AXTMAINWINDOW_H
#define AXTMAINWINDOW_H

#include "axconnectionmethod.h"
#include "deferredrowwidgets.h"
#include "devicerowindex.h"
#include "model/ardentixdevice.h"
#include "ui/runmode.h"

#include <QIcon>
#include <QMainWindow>
#include <QPointer>

class AxSignalObject;
class ContactWidget;
class DeviceToolbarWidget;
class HelpWidget;
class QMessageBox;
class QProcess;
class QStandardItem;
class QStandardItemModel;

namespace Ui {
class AXTMainWindow;
}

// The toolbox's main window: the title area with Setup and Help, and the device
// table with one row per gateway the device store reports.
class AXTMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Item-data roles of a device row, on its column-0 item unless said otherwise.
    enum RowRole {
        DetailsRowRole = Qt::UserRole + 10,
        AddressNumberRole = Qt::UserRole + 12,   // on the address item
        UserDeviceRole = Qt::UserRole + 13,
        PlatformRole = Qt::UserRole + 15,
        DeviceKeyRole = Qt::UserRole + 16,
        DisplayMacRole = Qt::UserRole + 17,
        RebootTimeRole = Qt::UserRole + 18,
        FirmwareVersionRole = Qt::UserRole + 19,
        BuildRevisionRole = Qt::UserRole + 20,
        BuildDateRole = Qt::UserRole + 21,
        StatusTextRole = Qt::UserRole + 22,
        HotStandbyRole = Qt::UserRole + 23,
        DiscoveryStateRole = Qt::UserRole + 27
    };

    // The window has no Qt parent: it is top-level and deletes itself when closed.
    // A second instance of the program ends here, after telling the user.
    AXTMainWindow(QObject *owner, RUN_MODE runMode, AxSignalObject *upstream);
    ~AXTMainWindow() override;

signals:
    void deviceFavoriteChangedSignal(const QString &key, bool favorite);
    void userDeviceAdded(const ArdentixDevice &device);
    void userDeviceRemoved(const QString &ipAddress);
    void showSetupWidget();
    void start_forced_ping();

public slots:
    // Device rows, keyed by the device's MAC text.
    void AddDeviceToList(const ArdentixDevice &device);
    void removeDeviceFromList(const QString &key);
    void deviceOffline(const ArdentixDevice &device);

    void deviceFavoriteChanged(const QString &key, bool favorite);
    void keyPressEvent(QKeyEvent *event) override;

    // The plus in the header adds a device by address; its icon follows the pointer.
    void onDeviceTableViewHeaderClicked(int section);
    void onDeviceTableViewHeaderPressed(int section);
    void onDeviceTableViewHeaderEntered(int section);

    void pause_updates_toggle(bool pause);
    void setOfflineSuspension(bool suspend);

    // The device file did not take a favourite or an added device: the star in
    // the table would otherwise claim it is remembered.
    void deviceFileWriteFailed(const QString &reason);
    // A file to send to a device could not be read.
    void fileSendError(const QString &title, const QString &text);

protected:
    // Rows coming into sight as the table's viewport grows.
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void ConnectToDevice(const ArdentixDevice &device, AX_CONNECTION_METHOD method);
    void on_setupButton_clicked();
    void on_HelpButton_clicked();

private:
    enum { AddDeviceColumn = 2 };

    void setupDeviceTable();
    void setAddDeviceIcon(const QString &path);
    void addUserDevice(const QString &typed);
    // The row of a device listed at that address and not offline; -1 for none.
    int onlineRowAt(const QString &address) const;
    int deviceRow(const QString &key) const;

    // Device rows, in axtmainwindowrows.cpp.
    enum RowColumn {
        TitleColumn = 1,
        AddressColumn = 4,
        SpacerColumn = 5,
        MacColumn = 6,
        DisplayMacColumn = 7,
        UserDeviceColumn = 8,
        FavoriteColumn = 10,
        ConnectivityColumn = 11,
        ToolbarColumn = 12
    };
    int insertPosition(quint32 addressNumber) const;
    static void writeDeviceRoles(QStandardItem *keyItem, const ArdentixDevice &device);
    void updateDeviceRow(const ArdentixDevice &device, DeviceRowIndex::Entry *entry);
    bool isRowInSight(int row) const;
    void makeRowWidgets(int row, const DeferredRowWidgets::Row &widgets);
    void makeRowsInSight();
    void refreshRowWidgets(int row, const ArdentixDevice &device, DeferredRowWidgets::Badge badge);
    DeferredRowWidgets::Badge badgeOf(const ArdentixDevice &device, bool makingRow) const;
    static void showBadge(DeviceToolbarWidget *toolbar, DeferredRowWidgets::Badge badge);
    void installUserDeviceButton(int row, const QString &key);
    void showDuplicateAddressMark(QStandardItem *addressItem, const ArdentixDevice &device);
    void setConnectivityStyle(QWidget *cell, const ArdentixDevice &device);
    void updateRowTableWidget(const ArdentixDevice &device, int row);
    QWidget *rowWidget(int row, int column) const;
    void setItemIcon(QStandardItem *item, const QIcon &icon);

    Ui::AXTMainWindow *ui;
    AxSignalObject *signalBus;
    QStandardItemModel *deviceModel;
    int viewFilter;
    AX_CONNECTION_METHOD defaultConnectionMethod;
    RUN_MODE runMode;
    HelpWidget *helpWidget;
    ContactWidget *contactWidget;
    QProcess *arpProcess;
    bool isPaused;
    bool offlineSuspended;
    QPointer<QMessageBox> deviceFileErrorBox;
    QPointer<QMessageBox> fileSendErrorBox;

    // Rows are refreshed every second: found by key without a scan, and their
    // pictures read once.
    DeviceRowIndex rowIndex;
    // The widgets of rows not seen yet, made when they come into sight.
    DeferredRowWidgets deferredWidgets;
    const QIcon blankIcon{QStringLiteral("./images/blank.png")};
    const QIcon warningIcon{QStringLiteral("./images/warning.png")};
    const QIcon alertIcon{QStringLiteral("./images/alert.png")};
};

#endif // AXTMAINWINDOW_H
