#include "filetransferwidget.h"

#include "guardedmessagebox.h"
#include "logindialog.h"
#include "ui_filetransferwidget.h"

#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QScreen>

namespace {

QColor statusColour(TransferFile::Status status)
{
    switch (status) {
    case TransferFile::Ready:
        return QColor(Qt::lightGray);
    case TransferFile::Sending:
    case TransferFile::InProgress:
        return QColor(Qt::cyan);
    case TransferFile::Sent:
        return QColor(Qt::darkGreen);
    case TransferFile::Failed:
        return QColor(Qt::red);
    }
    return QColor();
}

QFont statusFont()
{
    return QFont(QStringLiteral("Segeo UI"), 8, QFont::Bold);
}

// Shown only: a typed path must never become a file to send.
QTableWidgetItem *readOnlyItem()
{
    auto *item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

FileTransferWidget::FileTransferWidget(QWidget *parent, AxSignalObject *upstream, const ArdentixDevice &device,
                                       int flags)
    : AxSignalWidget(parent, upstream)
    , ui(new Ui::FileTransferWidget)
    , transfer(nullptr)
    , chooseFiles([](QWidget *owner, const QString &caption, const QString &directory, const QString &filter) {
        return QFileDialog::getOpenFileNames(owner, caption, directory, filter);
    })
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral("./images/icon.ico")));

    const double scale = screen()->logicalDotsPerInchX() / 96.0;
    if (scale > 1.0)
        setMinimumWidth(int(minimumWidth() * scale));
    if (flags & 0x4)
        ui->tabWidget->removeTab(2);

    ui->deviceNameLabel->setText(device.configTitle);
    ui->deviceIpLabel->setText(device.ipAddress.toString());
    ui->tabWidget->setCurrentIndex(0);

    tables[FileTransferSession::ConfigFile] = ui->ConfigFileListTableWidget;
    tables[FileTransferSession::FirmwareFile] = ui->firmwareFileListTableWidget;
    tables[FileTransferSession::GeneralFiles] = ui->generalFileListTableWidget;
    sendButtons[FileTransferSession::ConfigFile] = ui->sendConfigFileButton;
    sendButtons[FileTransferSession::FirmwareFile] = ui->sendFirmwareFileButton;
    sendButtons[FileTransferSession::GeneralFiles] = ui->sendGeneralFilesButton;

    fitToTheFont();

    transfer = new FileTransferSession(bus, device, this);
    connect(transfer, &FileTransferSession::filesChanged, this, &FileTransferWidget::showFiles);
    connect(transfer, &FileTransferSession::sendingChanged, this, &FileTransferWidget::showSending);
    connect(transfer, &FileTransferSession::loginRequested, this, &FileTransferWidget::askForLogin);
    // Asked from the event loop, not from inside the report that ended the send.
    connect(transfer, &FileTransferSession::restartOffered, this, &FileTransferWidget::prompt_for_restart,
            Qt::QueuedConnection);
}

FileTransferWidget::~FileTransferWidget()
{
    if (loginDialog)
        loginDialog->close();
    delete ui;
}

// The form's sizes suit a narrow font; where the fonts at hand are wider, the
// status column and the buttons grow just enough for their texts to show whole.
void FileTransferWidget::fitToTheFont()
{
    const QFontMetrics metrics(statusFont());
    int widest = 0;
    TransferFile sample;
    for (TransferFile::Status status : {TransferFile::Ready, TransferFile::Sending, TransferFile::InProgress,
                                        TransferFile::Sent, TransferFile::Failed}) {
        sample.status = status;
        for (float percent : {99.9f, 100.0f}) {
            sample.percent = percent;
            widest = qMax(widest, metrics.horizontalAdvance(sample.statusText()));
        }
    }
    const int statusWidth = widest + 2 * metrics.averageCharWidth();
    for (QTableWidget *table : tables) {
        if (table->columnWidth(0) < statusWidth)
            table->setColumnWidth(0, statusWidth);
    }
    for (QPushButton *button : ui->tabWidget->findChildren<QPushButton *>())
        button->setMaximumWidth(qMax(button->maximumWidth(), button->sizeHint().width()));
}

void FileTransferWidget::setFileChooser(const FileChooser &chooser)
{
    chooseFiles = chooser;
}

void FileTransferWidget::addFiles(FileTransferSession::Kind kind)
{
    const QString directory = transfer->browseDirectory();
    transfer->addFiles(kind, chooseFiles(this, tr("Select files to send"), directory, transfer->fileFilter(kind)));
}

void FileTransferWidget::on_addConfigFileButton_clicked()
{
    addFiles(FileTransferSession::ConfigFile);
}

void FileTransferWidget::on_clearConfigListButton_clicked()
{
    transfer->clearFiles(FileTransferSession::ConfigFile);
}

void FileTransferWidget::on_sendConfigFileButton_clicked()
{
    transfer->send(FileTransferSession::ConfigFile);
}

void FileTransferWidget::on_addFirmwareFileButton_clicked()
{
    addFiles(FileTransferSession::FirmwareFile);
}

void FileTransferWidget::on_clearFirmwareListButton_clicked()
{
    transfer->clearFiles(FileTransferSession::FirmwareFile);
}

void FileTransferWidget::on_sendFirmwareFileButton_clicked()
{
    transfer->send(FileTransferSession::FirmwareFile);
}

void FileTransferWidget::on_addGeneralFileButton_clicked()
{
    addFiles(FileTransferSession::GeneralFiles);
}

void FileTransferWidget::on_clearGeneraListButton_clicked()
{
    transfer->clearFiles(FileTransferSession::GeneralFiles);
}

void FileTransferWidget::on_sendGeneralFilesButton_clicked()
{
    transfer->send(FileTransferSession::GeneralFiles);
}

// Rows are updated in place, so selection and scrolling stay; the header items
// are never removed, which the form's retranslateUi relies on.
void FileTransferWidget::showFiles(int kind)
{
    QTableWidget *table = tables[kind];
    const QList<TransferFile> &files = transfer->files(FileTransferSession::Kind(kind));
    table->setRowCount(int(files.size()));
    for (int row = 0; row < files.size(); ++row) {
        const TransferFile &file = files.at(row);
        QTableWidgetItem *status = table->item(row, 0);
        if (!status) {
            status = readOnlyItem();
            status->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
            status->setFont(statusFont());
            table->setItem(row, 0, status);
        }
        status->setText(file.statusText());
        status->setBackground(statusColour(file.status));
        QTableWidgetItem *path = table->item(row, 1);
        if (!path) {
            path = readOnlyItem();
            table->setItem(row, 1, path);
        }
        path->setText(QDir::toNativeSeparators(file.localPath));
    }
    sendButtons[kind]->setEnabled(!files.isEmpty());
}

void FileTransferWidget::showSending(bool sending)
{
    ui->tabWidget->setEnabled(!sending);
}

void FileTransferWidget::askForLogin()
{
    loginDialog = new LoginDialog(nullptr, transfer->device(), QString());
    loginDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(loginDialog, &LoginDialog::login, transfer, &FileTransferSession::device_login);
    // Closed without an answer counts as cancelled; after an answer the session ignores it.
    connect(loginDialog, &QObject::destroyed, transfer, [this] { transfer->device_login(QString(), QString()); });
    loginDialog->show();
}

void FileTransferWidget::prompt_for_restart()
{
    const int answer = GuardedMessageBox::ask(
        this, QMessageBox::Information, tr("Restart Device?"),
        tr("The device needs to restart to for the updated files to take effect. Do you want to restart now?"),
        {tr("Restart"), tr("Cancel")});
    if (answer != 0)
        return;
    transfer->restartDevice();
    emit close_widget(true);
    close();
}
