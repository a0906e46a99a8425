#include "axtmainwindow.h"
#include "ui_axtmainwindow.h"

#include "ui/noticebox.h"
#include "ui/userdeviceaddress.h"
#include "model/axsignalobject.h"
#include "model/devicedatabase.h"
#include "ui/tool/contactwidget.h"
#include "ui/tool/helpwidget.h"

#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>

#include <cstdlib>

namespace {

const char *const kPlusIcon = "images/button_plus1.png";
const char *const kPlusPressedIcon = "images/button_plus2.png";

struct Column
{
    const char *header;
    int width;
};

// The table's thirteen columns; 3, 5 and 9 stretch, the others keep their width.
const Column kColumns[] = {
    {"", 0}, {"DEVICES", 160}, {"", 20}, {"", 0}, {"IP ADDRESS", 165}, {"", 0}, {"MAC ADDRESS", 0},
    {"MAC ADDRESS", 180}, {"", 35}, {"", 0}, {"FAVORITE", 64}, {"CONNECTIVITY", 120}, {"", 180},
};
const int kStretchedColumns[] = {3, 5, 9};

// A style sheet beside the program; a missing file gives an empty sheet.
QString readStyleSheet(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll());
}

} // namespace

AXTMainWindow::AXTMainWindow(QObject *owner, RUN_MODE runMode, AxSignalObject *upstream)
    : QMainWindow(nullptr)
    , ui(new Ui::AXTMainWindow)
    , signalBus(new AxSignalObject(upstream))
    , deviceModel(nullptr)
    , viewFilter(0)
    , defaultConnectionMethod(AX_CONN_AXGUI)
    , runMode(runMode)
    , helpWidget(nullptr)
    , contactWidget(nullptr)
    , arpProcess(nullptr)
    , isPaused(false)
    , offlineSuspended(false)
{
    Q_UNUSED(owner);
    ui->setupUi(this);

    if (runMode & RUN_MODE_RESTRICTED)
        ui->setupButton->setVisible(false);

    if (runMode & RUN_MODE_SECOND_INSTANCE) {
        QMessageBox box(QMessageBox::Critical, tr("Could not open Ardentix Toolbox"),
                        tr("Another instance of Ardentix Toolbox is already running"));
        box.setDefaultButton(box.addButton(tr("Close"), QMessageBox::AcceptRole));
        box.exec();
        // Still inside the controller's start, before the event loop: end for real.
        std::exit(1);
    }

    setWindowIcon(QIcon(QStringLiteral("./images/icon.ico")));
    ui->menuFrame->setStyleSheet(readStyleSheet(QStringLiteral("style/LogoFrame.qss")));
    ui->titleLabel->setText(tr("Ardentix Toolbox"));
    setWindowTitle(tr("Ardentix Toolbox"));

    deviceModel = new QStandardItemModel(0, 10, this);
    ui->deviceTableView->setStyleSheet(readStyleSheet(QStringLiteral("style/deviceTableView.qss")));
    setupDeviceTable();
    ui->deviceTableView->setSelectionMode(QAbstractItemView::NoSelection);
    ui->deviceTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);

    QHeaderView *header = ui->deviceTableView->horizontalHeader();
    connect(header, &QHeaderView::sectionClicked, this, &AXTMainWindow::onDeviceTableViewHeaderClicked);
    connect(header, &QHeaderView::sectionEntered, this, &AXTMainWindow::onDeviceTableViewHeaderEntered);
    connect(header, &QHeaderView::sectionPressed, this, &AXTMainWindow::onDeviceTableViewHeaderPressed);

    helpWidget = new HelpWidget(nullptr, signalBus, runMode);
    helpWidget->setVisible(false);
    contactWidget = new ContactWidget(nullptr, signalBus, runMode);
    contactWidget->setVisible(false);

    ui->deviceTableView->setFocusProxy(ui->centralWidget);
    connect(ui->deviceTableView->verticalScrollBar(), &QScrollBar::valueChanged, this, &AXTMainWindow::makeRowsInSight);
    ui->deviceTableView->viewport()->installEventFilter(this);
    arpProcess = new QProcess();
}

AXTMainWindow::~AXTMainWindow()
{
    qDebug("Delete AXTMainWindow");
    ui->deviceTableView->viewport()->removeEventFilter(this);
    delete signalBus;
    helpWidget->deleteLater();
    contactWidget->deleteLater();
    arpProcess->deleteLater();
    delete ui;
}

void AXTMainWindow::setupDeviceTable()
{
    int column = 0;
    for (const Column &entry : kColumns) {
        auto *item = new QStandardItem(tr(entry.header));
        if (column == AddDeviceColumn) {
            item->setIcon(QIcon(QString::fromLatin1(kPlusIcon)));
            item->setData(tr("Add Remote Device"), Qt::ToolTipRole);
        } else if (column == 4) {
            // Lines the header text up with the icons of the cells below.
            item->setData(QIcon(QStringLiteral("./images/blank.png")), Qt::DecorationRole);
        }
        deviceModel->setHorizontalHeaderItem(column++, item);
    }
    QTableView *table = ui->deviceTableView;
    table->setModel(deviceModel);
    // The minimum goes first: a narrower width set under the form's minimum of 27
    // would be raised to it, showing the hidden columns 0 and 6.
    QHeaderView *header = table->horizontalHeader();
    header->setMinimumSectionSize(0);
    column = 0;
    for (const Column &entry : kColumns)
        table->setColumnWidth(column++, entry.width);
    table->verticalHeader()->hide();
    header->setSectionResizeMode(QHeaderView::Fixed);
    for (int stretched : kStretchedColumns)
        header->setSectionResizeMode(stretched, QHeaderView::Stretch);
    table->setShowGrid(false);
}

bool AXTMainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == ui->deviceTableView->viewport())
        makeRowsInSight();
    return QMainWindow::eventFilter(watched, event);
}

void AXTMainWindow::setAddDeviceIcon(const QString &path)
{
    deviceModel->horizontalHeaderItem(AddDeviceColumn)->setIcon(QIcon(path));
}

int AXTMainWindow::deviceRow(const QString &key) const
{
    // The whole key, so a placeholder key never finds a longer one.
    return rowIndex.row(key);
}

void AXTMainWindow::deviceFavoriteChanged(const QString &key, bool favorite)
{
    const int row = deviceRow(key);
    const int state = row < 0 ? 0 : deviceModel->item(row, 0)->data(DiscoveryStateRole).toInt();
    if (!favorite && (viewFilter == 1 || state == DISCOVERY_OFFLINE))
        removeDeviceFromList(key);
    emit deviceFavoriteChangedSignal(key, favorite);
    ui->deviceTableView->clearFocus();
}

void AXTMainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_F5 || !(runMode & RUN_MODE_FORCED_PING))
        return;
    ui->statusBar->showMessage(tr("Refreshing list..."), 30000);
    emit start_forced_ping();
}

void AXTMainWindow::onDeviceTableViewHeaderClicked(int section)
{
    if (section != AddDeviceColumn) {
        ui->deviceTableView->clearFocus();
        return;
    }
    setAddDeviceIcon(QString::fromLatin1(kPlusIcon));
    bool accepted = false;
    const QString text = QInputDialog::getText(this, tr("Add device by IP address"), tr("Enter device's IP address"),
                                               QLineEdit::Normal, QString(), &accepted,
                                               Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    if (accepted)
        addUserDevice(text);
    ui->deviceTableView->clearFocus();
}

void AXTMainWindow::addUserDevice(const QString &typed)
{
    const QHostAddress address = parseUserDeviceAddress(typed);
    if (address.isNull()) {
        QMessageBox::critical(this, tr("Invalid Address"),
                              tr("Invalid IP Address Entered") + QStringLiteral("\n\n")
                                      + tr("Enter an IPv4 address such as 192.168.1.20."));
        return;
    }
    const QString normalised = address.toString();
    // Neither is a gateway: the entry would stay pending for ever.
    if (address == QHostAddress::AnyIPv4 || isOwnAddress(address)) {
        QMessageBox::critical(this, tr("Invalid Address"),
                              address == QHostAddress::AnyIPv4
                                      ? tr("0.0.0.0 is not the address of a device.")
                                      : tr("%1 is an address of this PC, not of a device.").arg(normalised));
        return;
    }
    // The answer of a device already listed would never replace the entry, which
    // would only mark that one device as a duplicate of itself.
    const int listed = onlineRowAt(normalised);
    if (listed >= 0) {
        QMessageBox box(QMessageBox::Critical, tr("Device Already Listed"),
                        tr("The device at %1 (%2) is already online in the list.")
                                .arg(normalised, deviceModel->item(listed, TitleColumn)->text()),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);   // the title is the device's own text
        box.exec();
        return;
    }
    const QString key = DeviceDatabase::placeholderKey(address);
    if (deviceRow(key) >= 0) {
        QMessageBox::critical(this, tr("Device Already Listed"),
                              tr("The device at %1 is already in the list, waiting for its first answer.")
                                      .arg(normalised));
        return;
    }
    qDebug() << "Add device" << normalised;
    ArdentixDevice device;
    device.ipAddress = address;
    device.setMacString(key);
    device.configTitle = QStringLiteral("Title Pending (User Device)");
    device.userDevice = true;
    device.favorite = true;
    device.ipConnectivity = false;
    device.vekConnectivity = false;
    device.discoveryState = DISCOVERY_OFFLINE;
    device.discoveryTime = 0;
    emit userDeviceAdded(device);
}

int AXTMainWindow::onlineRowAt(const QString &address) const
{
    for (int row = 0; row < deviceModel->rowCount(); ++row) {
        const QStandardItem *addressItem = deviceModel->item(row, AddressColumn);
        const QStandardItem *keyItem = deviceModel->item(row, 0);
        if (addressItem && keyItem && addressItem->text() == address
            && keyItem->data(DiscoveryStateRole).toInt() != DISCOVERY_OFFLINE)
            return row;
    }
    return -1;
}

void AXTMainWindow::onDeviceTableViewHeaderPressed(int section)
{
    if (section == AddDeviceColumn)
        setAddDeviceIcon(QString::fromLatin1(kPlusPressedIcon));
    else
        ui->deviceTableView->clearFocus();
}

void AXTMainWindow::onDeviceTableViewHeaderEntered(int section)
{
    if (section == AddDeviceColumn) {
        setAddDeviceIcon(QString::fromLatin1(kPlusPressedIcon));
        return;
    }
    setAddDeviceIcon(QString::fromLatin1(kPlusIcon));
    ui->deviceTableView->clearFocus();
}

void AXTMainWindow::pause_updates_toggle(bool pause)
{
    isPaused = pause;
}

void AXTMainWindow::deviceFileWriteFailed(const QString &reason)
{
    showNotice(deviceFileErrorBox, this, QMessageBox::Critical, tr("Device File Error"),
               tr("Favourites and added devices could not be saved "
                  "to the device file; they will not be remembered "
                  "at the next start."))
            ->setInformativeText(reason);
}

void AXTMainWindow::fileSendError(const QString &title, const QString &text)
{
    showNotice(fileSendErrorBox, this, QMessageBox::Critical, title, text);
}

void AXTMainWindow::setOfflineSuspension(bool suspend)
{
    offlineSuspended = suspend;
    qDebug() << "Toolbox Window suspend offline:" << suspend;
}

void AXTMainWindow::ConnectToDevice(const ArdentixDevice &device, AX_CONNECTION_METHOD method)
{
    if (method == AX_CONN_DEFAULT)
        method = defaultConnectionMethod;
    switch (method) {
    case AX_CONN_KOVNET:
        if (device.isIpReachable())
            qDebug("Connect via Prefered KOVNET");
        else if (device.axguiSupport)
            qDebug("Connect via Supported AXGUI");
        break;
    case AX_CONN_AXGUI:
        if (device.axguiSupport)
            qDebug("Connect via Prefered AXGUI");
        else if (device.isIpReachable())
            qDebug("Connect via Supported KOVNET");
        break;
    default:
        qCritical("Unknown connection method requested");
        break;
    }
}

void AXTMainWindow::on_setupButton_clicked()
{
    emit showSetupWidget();
}

void AXTMainWindow::on_HelpButton_clicked()
{
    const QPoint below = ui->HelpButton->mapToGlobal(QPoint(0, ui->HelpButton->height()));
    QMenu menu;
    QAction *help = menu.addAction(tr("Help"));
    QAction *contact = menu.addAction(tr("Contact Us"));
    const QAction *chosen = menu.exec(below);
    if (chosen == help)
        helpWidget->setVisible(true);
    else if (chosen == contact)
        contactWidget->setVisible(true);
    ui->HelpButton->setChecked(false);
}
