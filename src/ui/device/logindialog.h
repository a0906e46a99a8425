#ifndef LOGINDIALOG_H
#define LOGINDIALOG_H

#include "model/ardentixdevice.h"

#include <QString>
#include <QWidget>

namespace Ui {
class LoginDialog;
}

// Asks for a device's user name and password and hands both back through login();
// two empty strings mean the user cancelled. It talks to no device itself.
class LoginDialog : public QWidget
{
    Q_OBJECT

public:
    // An empty message keeps the form's "Please login to continue".
    LoginDialog(QWidget *parent, const ArdentixDevice &device, const QString &message);
    ~LoginDialog() override;

signals:
    void login(QString username, QString password);

private slots:
    void on_cancelButton_clicked();
    void on_loginButton_clicked();

private:
    Ui::LoginDialog *ui;
};

#endif // LOGINDIALOG_H
