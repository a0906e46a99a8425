#include "axtmainwindow.h"
#include "ui_axtmainwindow.h"

#include "devicetoolbarwidget.h"
#include "favoritedevicebutton.h"
#include "userdevicebutton.h"

#include "model/devicedatabase.h"

#include <QDebug>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QProcess>
#include <QStandardItemModel>
#include <QTableWidget>

// The device table's rows: made, refreshed, marked offline and removed as the
// device store reports its devices. Rows stay in ascending address order.

namespace {

const char *const kDuplicateTip = "Duplicate IP Address found";

quint32 addressNumber(const ArdentixDevice &device)
{
    return device.ipAddress.toIPv4Address();
}

bool showsAlert(const ArdentixDevice &device, RUN_MODE runMode)
{
    return (runMode & RUN_MODE_ADVANCED) && device.statusText() == QLatin1String("Error");
}

// The device file keeps no display MAC: until the device answers, the MAC it was
// stored under stands in. A placeholder's key is no MAC.
QString shownMac(const ArdentixDevice &device)
{
    if (!device.displayMacAddress.isEmpty()
        || device.macAddress == DeviceDatabase::placeholderKey(device.ipAddress))
        return device.displayMacAddress;
    return device.macAddress;
}

QStandardItem *cellItem(const QString &text, Qt::Alignment alignment)
{
    auto *item = new QStandardItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setTextAlignment(alignment);
    return item;
}

} // namespace

void AXTMainWindow::AddDeviceToList(const ArdentixDevice &device)
{
    if (!deviceModel) {
        qCritical("Device list not yet initialized");
        return;
    }
    if ((viewFilter == 1 && !device.favorite) || isPaused)
        return;

    if (DeviceRowIndex::Entry *known = rowIndex.find(device.macAddress)) {
        if (DeviceRowIndex::sameAddress(known->shown.ipAddress, device.ipAddress)) {
            updateDeviceRow(device, known);
            return;
        }
        // A new address: the row moves to where that address sorts.
        deferredWidgets.remove(device.macAddress);
        deviceModel->removeRow(known->index.row());
        makeRowsInSight();
    }

    const QString address = device.ipAddress.toString();
    const int row = insertPosition(addressNumber(device));
    deviceModel->insertRow(row);
    if (!deviceModel->setData(deviceModel->index(row, 0), device.configTitle, Qt::EditRole)) {
        qDebug("error setting item data");
        return;
    }

    // The remove button, if any, is a row widget; the blank cell is not.
    if (!device.userDevice)
        deviceModel->setItem(row, UserDeviceColumn, new QStandardItem(QStringLiteral(" ")));
    const DeferredRowWidgets::Row widgets = DeferredRowWidgets::Row::madeFor(device, badgeOf(device, true));
    if (isRowInSight(row))
        makeRowWidgets(row, widgets);
    else
        deferredWidgets.defer(device.macAddress, widgets);

    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignVCenter;
    QStandardItem *title = cellItem(device.configTitle, Qt::AlignLeft | Qt::AlignVCenter);
    title->setIcon(showsAlert(device, runMode) ? alertIcon : blankIcon);
    QStandardItem *addressItem = cellItem(address, centred);
    const bool duplicate = device.duplicateIpAddress;
    addressItem->setIcon(duplicate ? warningIcon : blankIcon);
    addressItem->setToolTip(duplicate ? tr(kDuplicateTip) : QString());
    addressItem->setData(addressNumber(device), AddressNumberRole);
    deviceModel->setItem(row, TitleColumn, title);
    deviceModel->setItem(row, AddressColumn, addressItem);
    deviceModel->setItem(row, SpacerColumn, cellItem(QStringLiteral(" "), Qt::Alignment()));
    deviceModel->setItem(row, MacColumn, cellItem(device.macAddress, centred));
    deviceModel->setItem(row, DisplayMacColumn, cellItem(shownMac(device), centred));

    QStandardItem *keyItem = deviceModel->item(row, 0);
    keyItem->setData(false, DetailsRowRole);
    writeDeviceRoles(keyItem, device);
    keyItem->setData(device.userDevice, UserDeviceRole);
    keyItem->setEditable(false);
    rowIndex.insert(device.macAddress, keyItem->index(), device);

    ui->deviceTableView->setSpan(row, TitleColumn, 1, 3);
    // A row inserted above the view pushes the one above the view into sight.
    makeRowsInSight();
}

// A row's widgets cost far more than its cells, most of it in the style the
// table's style sheet gives every widget in it: a row gets them when it is on
// screen, so a table of a thousand devices holds the widgets of the rows seen.
// A table not on screen has no visible part to go by: its rows get them at once.
bool AXTMainWindow::isRowInSight(int row) const
{
    const QTableView *table = ui->deviceTableView;
    if (!table->isVisible())
        return true;
    const QHeaderView *rows = table->verticalHeader();
    const int top = rows->sectionViewportPosition(row);
    return top < table->viewport()->height() && top + rows->sectionSize(row) > 0;
}

void AXTMainWindow::makeRowWidgets(int row, const DeferredRowWidgets::Row &widgets)
{
    const ArdentixDevice &device = widgets.device;
    QTableView *table = ui->deviceTableView;
    auto *connectivity = new QWidget(this);
    setConnectivityStyle(connectivity, device);
    table->setIndexWidget(deviceModel->index(row, ConnectivityColumn), connectivity);

    auto *toolbar = new DeviceToolbarWidget(nullptr, signalBus, device, runMode);
    connect(toolbar, &DeviceToolbarWidget::connectionRequested, this, &AXTMainWindow::ConnectToDevice);
    if (widgets.locked) {
        toolbar->setSecurityStatus(widgets.lockDevice);
        toolbar->setDevice(device);
    }
    showBadge(toolbar, widgets.badge);
    table->setIndexWidget(deviceModel->index(row, ToolbarColumn), toolbar);

    auto *star = new FavoriteDeviceButton(this, device.macAddress);
    star->setChecked(widgets.favorite);
    table->setIndexWidget(deviceModel->index(row, FavoriteColumn), star);
    connect(star, &FavoriteDeviceButton::FavoriteChanged, this, &AXTMainWindow::deviceFavoriteChanged);

    if (widgets.removeButton)
        installUserDeviceButton(row, device.macAddress);
}

// A lost device shows its badge unless offline reports are suspended; a row
// being made shows it either way.
DeferredRowWidgets::Badge AXTMainWindow::badgeOf(const ArdentixDevice &device, bool makingRow) const
{
    if (device.discoveryState == DISCOVERY_NEW)
        return DeferredRowWidgets::NewBadge;
    if (device.discoveryState == DISCOVERY_LOST && (makingRow || !offlineSuspended))
        return DeferredRowWidgets::LostBadge;
    return DeferredRowWidgets::NoBadge;
}

void AXTMainWindow::showBadge(DeviceToolbarWidget *toolbar, DeferredRowWidgets::Badge badge)
{
    if (badge == DeferredRowWidgets::NewBadge)
        toolbar->showNewDevice();
    else if (badge == DeferredRowWidgets::LostBadge)
        toolbar->showLostDevice();
    else
        toolbar->clearState();
}

// Rows come into sight as the table scrolls, grows or loses rows above them.
void AXTMainWindow::makeRowsInSight()
{
    if (deferredWidgets.isEmpty())
        return;
    const QTableView *table = ui->deviceTableView;
    const int first = table->rowAt(0);
    if (first < 0)
        return;
    int last = table->rowAt(table->viewport()->height() - 1);
    if (last < 0)
        last = deviceModel->rowCount() - 1;
    for (int row = first; row <= last; ++row) {
        const QString key = deviceModel->item(row, 0)->data(DeviceKeyRole).toString();
        if (!deferredWidgets.contains(key))
            continue;
        makeRowWidgets(row, deferredWidgets.take(key));
    }
}

int AXTMainWindow::insertPosition(quint32 number) const
{
    const int rows = deviceModel->rowCount();
    for (int row = 0; row < rows; ++row) {
        const QStandardItem *addressItem = deviceModel->item(row, AddressColumn);
        if (!addressItem) {
            qDebug(" No item at row: %d", row);
            continue;
        }
        // Equal addresses keep their order of arrival.
        if (addressItem->data(AddressNumberRole).toUInt() > number)
            return row;
    }
    return rows;
}

// What the row keeps of the device besides its cells; the details flag is
// written only where the row is made, the user-device flag also where it changes.
void AXTMainWindow::writeDeviceRoles(QStandardItem *keyItem, const ArdentixDevice &device)
{
    keyItem->setData(device.devicePlatform, PlatformRole);
    keyItem->setData(device.macAddress, DeviceKeyRole);
    keyItem->setData(device.displayMacAddress, DisplayMacRole);
    keyItem->setData(device.rebootTime, RebootTimeRole);
    keyItem->setData(device.firmwareVersion, FirmwareVersionRole);
    keyItem->setData(device.buildRevision, BuildRevisionRole);
    keyItem->setData(device.buildDate, BuildDateRole);
    keyItem->setData(device.statusText(), StatusTextRole);
    keyItem->setData(device.hotStandbyState, HotStandbyRole);
    keyItem->setData(int(device.discoveryState), DiscoveryStateRole);
}

// The maintenance pass brings every row once a second, mostly as it was: the
// cells are written only when what they show has changed.
void AXTMainWindow::updateDeviceRow(const ArdentixDevice &device, DeviceRowIndex::Entry *entry)
{
    const int row = entry->index.row();
    const bool cellsChanged = !DeviceRowIndex::sameCells(entry->shown, device);
    QStandardItem *keyItem = deviceModel->item(row, 0);
    if (cellsChanged && keyItem->data(DetailsRowRole).toBool())
        updateRowTableWidget(device, row + 1);
    if (cellsChanged && !deviceModel->setData(deviceModel->index(row, 0), device.configTitle, Qt::EditRole)) {
        qDebug("error setting item data");
        return;
    }

    // A listed device becomes the user's when it answers from an address the user
    // added: its remove button must then remove it from the store as well.
    if (keyItem->data(UserDeviceRole).toBool() != device.userDevice)
        keyItem->setData(device.userDevice, UserDeviceRole);

    const DeferredRowWidgets::Badge badge = badgeOf(device, false);
    if (const DeferredRowWidgets::Row *pending = deferredWidgets.refresh(device.macAddress, device, badge)) {
        // As under a remove button already made.
        if (!device.userDevice && pending->removeButton)
            deviceModel->setItem(row, UserDeviceColumn, new QStandardItem(QStringLiteral(" ")));
    } else {
        refreshRowWidgets(row, device, badge);
    }
    if (!cellsChanged)
        return;

    QStandardItem *title = deviceModel->item(row, TitleColumn);
    QStandardItem *addressItem = deviceModel->item(row, AddressColumn);
    title->setText(device.configTitle);
    addressItem->setText(device.ipAddress.toString());
    // A row made from the device file has no display MAC until the device answers.
    if (!device.displayMacAddress.isEmpty())
        deviceModel->item(row, DisplayMacColumn)->setText(device.displayMacAddress);
    showDuplicateAddressMark(addressItem, device);
    setItemIcon(title, showsAlert(device, runMode) ? alertIcon : blankIcon);
    addressItem->setData(addressNumber(device), AddressNumberRole);
    writeDeviceRoles(keyItem, device);
    entry->shown = device;
}

void AXTMainWindow::refreshRowWidgets(int row, const ArdentixDevice &device, DeferredRowWidgets::Badge badge)
{
    if (QWidget *connectivity = rowWidget(row, ConnectivityColumn))
        setConnectivityStyle(connectivity, device);
    // The star is only ever set here; the user clears it.
    auto *favorite = qobject_cast<FavoriteDeviceButton *>(rowWidget(row, FavoriteColumn));
    if (favorite && device.favorite)
        favorite->setChecked(true);

    QWidget *userButton = rowWidget(row, UserDeviceColumn);
    if (!device.userDevice && userButton) {
        deviceModel->setItem(row, UserDeviceColumn, new QStandardItem(QStringLiteral(" ")));
    } else if (device.userDevice) {
        if (!userButton)
            installUserDeviceButton(row, device.macAddress);
        if (auto *button = qobject_cast<QAbstractButton *>(rowWidget(row, UserDeviceColumn)))
            button->setChecked(true);
    }

    if (auto *toolbar = qobject_cast<DeviceToolbarWidget *>(rowWidget(row, ToolbarColumn))) {
        toolbar->setDevice(device);
        if (device.secureGwSupport)
            toolbar->setSecurityStatus(device);
        showBadge(toolbar, badge);
    }
}

void AXTMainWindow::installUserDeviceButton(int row, const QString &key)
{
    auto *button = new UserDeviceButton(this, key);
    button->setChecked(true);
    connect(button, &UserDeviceButton::userDeviceRemoved, this, &AXTMainWindow::removeDeviceFromList);
    ui->deviceTableView->setIndexWidget(deviceModel->index(row, UserDeviceColumn), button);
}

// The warning follows the flag. When the mark clears, the PC's address table
// may still hold the other device's MAC for the address: drop that entry.
void AXTMainWindow::showDuplicateAddressMark(QStandardItem *addressItem, const ArdentixDevice &device)
{
    if (device.duplicateIpAddress) {
        setItemIcon(addressItem, warningIcon);
        addressItem->setToolTip(tr(kDuplicateTip));
        return;
    }
    if (addressItem->toolTip() == tr(kDuplicateTip)) {
        if (arpProcess->isOpen())
            arpProcess->close();
        const QStringList arguments = {QStringLiteral("-d"), device.ipAddress.toString()};
        qDebug() << arguments;
        arpProcess->start(QStringLiteral("arp"), arguments, QIODevice::ReadWrite);
    }
    setItemIcon(addressItem, blankIcon);
    addressItem->setToolTip(QString());
}

// An icon set again repaints the cell although nothing changed.
void AXTMainWindow::setItemIcon(QStandardItem *item, const QIcon &icon)
{
    if (item->icon().cacheKey() != icon.cacheKey())
        item->setIcon(icon);
}

void AXTMainWindow::setConnectivityStyle(QWidget *cell, const ArdentixDevice &device)
{
    const bool gone = device.discoveryState == DISCOVERY_LOST || device.discoveryState == DISCOVERY_OFFLINE;
    const bool ipSide = device.isIpReachable() || device.userDevice;
    QString image;
    QString tip;
    if (gone && offlineSuspended) {
        image = QStringLiteral("images/button_colour5.png");
        tip = tr("Connectivity Suspended");
    } else if (gone) {
        image = QStringLiteral("images/button_colour3.png");
        tip = tr("Connectivity lost");
    } else if (device.axguiSupport && ipSide) {
        image = QStringLiteral("images/button_colour1.png");
        tip = tr("Full connectivity");
    } else if (ipSide) {
        image = QStringLiteral("images/button_colour4.png");
        tip = tr("Limited IP Connectivity");
    } else if (device.vekConnectivity) {
        image = QStringLiteral("images/button_colour2.png");
        tip = tr("Limited Connectivity");
    }
    const QString style = QStringLiteral("QWidget {background: url(") + image + QStringLiteral(") center no-repeat}");
    // Restyling repolishes the widget: only when the look changes.
    if (cell->styleSheet() != style)
        cell->setStyleSheet(style);
    cell->setToolTip(tip);
}

void AXTMainWindow::updateRowTableWidget(const ArdentixDevice &device, int row)
{
    auto *details = qobject_cast<QTableWidget *>(rowWidget(row, 0));
    if (!details) {
        qDebug("No details table at row: %d", row);
        return;
    }
    const QStringList values = {device.devicePlatform, device.macAddress, device.displayMacAddress,
                                device.rebootTime, device.firmwareVersion, device.buildRevision,
                                device.buildDate, device.statusText(), device.hotStandbyState};
    for (int column = 0; column < values.size(); ++column) {
        QTableWidgetItem *item = details->item(0, column);
        if (!item) {
            item = new QTableWidgetItem;
            details->setItem(0, column, item);
        }
        item->setData(Qt::DisplayRole, values.at(column));
    }
}

QWidget *AXTMainWindow::rowWidget(int row, int column) const
{
    return ui->deviceTableView->indexWidget(deviceModel->index(row, column));
}

void AXTMainWindow::removeDeviceFromList(const QString &key)
{
    const int row = deviceRow(key);
    if (row < 0)
        return;
    // The store's answer to the signal may change the table before the row goes.
    const QPersistentModelIndex keyIndex = deviceModel->index(row, 0);
    if (deviceModel->item(row, 0)->data(UserDeviceRole).toBool()) {
        const quint32 number = deviceModel->item(row, AddressColumn)->data(AddressNumberRole).toUInt();
        emit userDeviceRemoved(QHostAddress(number).toString());
    }
    rowIndex.remove(key);
    deferredWidgets.remove(key);
    if (keyIndex.isValid())
        deviceModel->removeRow(keyIndex.row());
    makeRowsInSight();
}

void AXTMainWindow::deviceOffline(const ArdentixDevice &device)
{
    if (offlineSuspended)
        return;
    if (!device.favorite) {
        removeDeviceFromList(device.macAddress);
        return;
    }
    if (DeviceRowIndex::Entry *entry = rowIndex.find(device.macAddress))
        updateDeviceRow(device, entry);
}
