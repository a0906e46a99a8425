#include "developerwindow.h"
#include "ui_developerwindow.h"

#include "developersession.h"

#include "comm/link/adapterlist.h"

#include <QDebug>
#include <QMessageBox>
#include <QTreeWidgetItem>

#include <initializer_list>

namespace {

void setAllEnabled(std::initializer_list<QWidget *> widgets, bool enabled)
{
    for (QWidget *widget : widgets)
        widget->setEnabled(enabled);
}

} // namespace

DeveloperWindow::DeveloperWindow()
    : QMainWindow(nullptr)
    , ui(new Ui::DeveloperWindow)
    , work(new DeveloperSession(this))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setAllEnabled({ui->adapterListBox, ui->listenButton, ui->pingButton, ui->vekListenButton,
                   ui->vekPingAllButton, ui->setIpButton, ui->oldIpLineEdit, ui->newIpLineEdit, ui->pushButton,
                   ui->startRPingButton, ui->stopRPingButton, ui->readOnlineButton, ui->restartButton}, false);

    connect(work, &DeveloperSession::trafficCounted, this, &DeveloperWindow::showTraffic);
    connect(work, &DeveloperSession::adapterMessage, ui->textEdit, &QTextEdit::append);
    connect(work, &DeveloperSession::commMessage, ui->textEdit_axcomm, &QTextEdit::append);
    connect(work, &DeveloperSession::refused, this, &DeveloperWindow::showRefusal);
    connect(work, &DeveloperSession::onlineDevice, this, &DeveloperWindow::updateOnlineDevice);
}

// The session goes first: its threads and timers stop while the panes they
// report to still stand.
DeveloperWindow::~DeveloperWindow()
{
    qDebug() << "Destroying DeveloperWindow";
    delete work;
    delete ui;
}

DeveloperSession *DeveloperWindow::session() const
{
    return work;
}

int DeveloperWindow::selectedAdapter() const
{
    const QVariant index = ui->adapterListBox->currentData(Qt::UserRole);
    return index.isValid() ? index.toInt() : -1;
}

void DeveloperWindow::on_getAdapterButton_clicked()
{
    work->readAdapters();
    ui->adapterListBox->setEnabled(true);
    ui->listenButton->setEnabled(true);
    ui->listenButton->setText(tr("Listen "));
    ui->adapterListBox->clear();
    const AdapterList *adapters = work->adapters();
    for (int i = 0; i < adapters->count(); ++i)
        ui->adapterListBox->addItem(adapters->description(quint8(i)), i);
    setAllEnabled({ui->pingButton, ui->setIpButton, ui->oldIpLineEdit, ui->newIpLineEdit, ui->pushButton}, true);
}

void DeveloperWindow::on_listenButton_clicked()
{
    if (!work->startCapture())
        return;
    ui->listenButton->setEnabled(false);
    ui->listenButton->setText(tr("Listening..."));
}

void DeveloperWindow::showTraffic(quint32 packets, quint32 bytes)
{
    ui->textEdit->clear();
    ui->textEdit->append(QStringLiteral("Total packet count: ") + QString::number(packets));
    ui->textEdit->append(QStringLiteral("Total bytes received: ") + QString::number(bytes));
}

void DeveloperWindow::showRefusal(const QString &reason)
{
    QMessageBox::warning(this, tr("Not sent"), reason);
}

void DeveloperWindow::on_pingButton_clicked()
{
    work->pingBroadcast(selectedAdapter());
}

void DeveloperWindow::on_setIpButton_clicked()
{
    work->setIp(selectedAdapter(), ui->oldIpLineEdit->text(), ui->newIpLineEdit->text());
}

void DeveloperWindow::on_pushButton_clicked()
{
    work->pingRemote(selectedAdapter(), ui->lineEdit->text());
}

void DeveloperWindow::on_createAxcommButton_clicked()
{
    if (work->createComm() && !work->isListening())
        ui->vekListenButton->setEnabled(true);
}

void DeveloperWindow::on_vekListenButton_clicked()
{
    if (!work->listenForVek())
        return;
    ui->vekListenButton->setEnabled(false);
    setAllEnabled({ui->vekPingAllButton, ui->startRPingButton, ui->stopRPingButton, ui->readOnlineButton,
                   ui->restartButton}, true);
}

void DeveloperWindow::on_vekPingAllButton_clicked()
{
    work->pingAll();
}

void DeveloperWindow::on_startRPingButton_clicked()
{
    work->startRepeatingPing();
}

void DeveloperWindow::on_stopRPingButton_clicked()
{
    work->stopRepeatingPing();
}

void DeveloperWindow::on_readOnlineButton_clicked()
{
    work->readOnlineDevices();
}

// One top-level row per MAC, as first seen; later reports of it change nothing.
void DeveloperWindow::updateOnlineDevice(const ArdentixDevice &device)
{
    for (int i = 0; i < ui->treeWidget->topLevelItemCount(); ++i) {
        if (ui->treeWidget->topLevelItem(i)->text(0) == device.macAddress)
            return;
    }
    auto *item = new QTreeWidgetItem(QStringList(device.macAddress));
    for (const QString &row : {device.ipAddress.toString(), device.devicePlatform, device.configTitle})
        item->addChild(new QTreeWidgetItem(QStringList(row)));
    ui->treeWidget->addTopLevelItem(item);
}

void DeveloperWindow::on_restartButton_clicked()
{
    const QList<QTreeWidgetItem *> selected = ui->treeWidget->selectedItems();
    if (selected.isEmpty())
        return;
    if (selected.first()->childCount() == 0) {
        ui->textEdit_axcomm->append(QStringLiteral("Need to select top level MAC address in order to restart device"));
        return;
    }
    work->restartDevice(selected.first()->text(0));
}
