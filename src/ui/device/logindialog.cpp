#include "logindialog.h"

#include "ui_logindialog.h"

LoginDialog::LoginDialog(QWidget *parent, const ArdentixDevice &device, const QString &message)
    : QWidget(parent)
    , ui(new Ui::LoginDialog)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Login Required"));
    ui->deviceNameLabel->setText(device.configTitle);
    ui->deviceIpLabel->setText(device.ipAddress.toString());
    if (!message.isEmpty())
        ui->login_message_label->setText(message);
    // The stored password is never shown again.
    if (!device.username.isEmpty())
        ui->usernameLineEdit->setText(device.username);
}

LoginDialog::~LoginDialog()
{
    delete ui;
}

void LoginDialog::on_cancelButton_clicked()
{
    emit login(QString(), QString());
    close();
}

void LoginDialog::on_loginButton_clicked()
{
    emit login(ui->usernameLineEdit->text(), ui->passwordLineEdit->text());
    close();
}
