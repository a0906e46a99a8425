#ifndef FILETRANSFERWIDGET_H
#define FILETRANSFERWIDGET_H

#include "filetransfersession.h"
#include "model/ardentixdevice.h"
#include "ui/axsignalwidget.h"

#include <QPointer>
#include <QStringList>

#include <functional>

class LoginDialog;
class QPushButton;
class QTableWidget;

namespace Ui {
class FileTransferWidget;
}

// The "Send Files" window of one device: a tab per kind of file, each with its
// list, Browse, clear and send buttons. It shows what its FileTransferSession
// does and asks the user what the session needs: files, a login, a restart.
class FileTransferWidget : public AxSignalWidget
{
    Q_OBJECT

public:
    // Lets the caller pick files without a modal dialog; the arguments are
    // those of QFileDialog::getOpenFileNames.
    using FileChooser = std::function<QStringList(QWidget *parent, const QString &caption,
                                                  const QString &directory, const QString &filter)>;

    // flags bit 0x4 leaves out the General Files tab. The opener shows the window.
    FileTransferWidget(QWidget *parent, AxSignalObject *upstream, const ArdentixDevice &device, int flags);
    ~FileTransferWidget() override;

    FileTransferSession *session() const { return transfer; }
    void setFileChooser(const FileChooser &chooser);

signals:
    // Sent just before the window closes after a confirmed restart.
    void close_widget(bool close);

private slots:
    void on_addConfigFileButton_clicked();
    void on_clearConfigListButton_clicked();
    void on_sendConfigFileButton_clicked();
    void on_addFirmwareFileButton_clicked();
    void on_clearFirmwareListButton_clicked();
    void on_sendFirmwareFileButton_clicked();
    void on_addGeneralFileButton_clicked();
    void on_clearGeneraListButton_clicked();
    void on_sendGeneralFilesButton_clicked();
    void showFiles(int kind);
    void showSending(bool sending);
    void askForLogin();
    void prompt_for_restart();

private:
    void fitToTheFont();
    void addFiles(FileTransferSession::Kind kind);

    Ui::FileTransferWidget *ui;
    FileTransferSession *transfer;
    FileChooser chooseFiles;
    QTableWidget *tables[FileTransferSession::KindCount];
    QPushButton *sendButtons[FileTransferSession::KindCount];
    QPointer<LoginDialog> loginDialog;
};

#endif // FILETRANSFERWIDGET_H
