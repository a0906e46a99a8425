#ifndef IPCONFIGWIDGET_H
#define IPCONFIGWIDGET_H

#include "networksettings.h"

#include "model/ardentixdevice.h"
#include "ui/axsignalwidget.h"

#include <QPointer>
#include <QString>

class LoginDialog;
class NetworkSettingsSession;
class QFrame;
class QLineEdit;

namespace Ui {
class IpConfigWidget;
}

// The "Device Network Settings" window: shows the rows of the device's
// "ax_tcp.ini" as they arrive, checks every address as it is typed, and
// after a confirmation has the settings written, sent and the device
// restarted. The opener asks for the file before it opens the window.
class IpConfigWidget : public AxSignalWidget
{
    Q_OBJECT

public:
    IpConfigWidget(QWidget *parent, AxSignalObject *upstream, const ArdentixDevice &device);
    ~IpConfigWidget() override;

signals:
    // True just before the window closes after the device took the settings.
    void close_widget(bool closeTree);

private slots:
    void on_cancelIpButton_clicked();
    void on_updateIpButton_clicked();
    void on_n1IpEdit_textEdited(const QString &text);
    void on_n1NetmaskEdit_textEdited(const QString &text);
    void on_N1defaultGatewayEdit_textEdited(const QString &text);
    void on_n2IpEdit_textEdited(const QString &text);
    void on_n2NetmaskEdit_textEdited(const QString &text);
    void on_N2defaultGatewayEdit_textEdited(const QString &text);
    void on_DNS1Edit_textEdited(const QString &text);
    void on_DNS2Edit_textEdited(const QString &text);

    void showSettings(int n2LinesShown, bool dnsShown);
    void showReadError();
    void showSending(bool sending);
    void showLocalCopyError(const QString &path, const QString &reason);
    void askForLogin();
    void askToRetry();
    void finishUpdate();

private:
    struct RowWidgets {
        QFrame *frame;
        QWidget *editor;   // a QLineEdit, or a QComboBox for the DHCP rows
    };

    RowWidgets rowWidgets(NetworkSettings::Row row) const;
    void check_ip_format(const QString &text, QLineEdit *edit, NetworkSettings::Row row);
    static void markAddress(QLineEdit *edit, bool valid);

    Ui::IpConfigWidget *ui;
    NetworkSettingsSession *m_session;
    QPointer<LoginDialog> m_loginDialog;
};

#endif // IPCONFIGWIDGET_H
