#ifndef USERDEVICEBUTTON_H
#define USERDEVICEBUTTON_H

#include <QRadioButton>
#include <QString>

// The remove button of a row of a device the user added by address. It stays
// checked; a press asks for confirmation before the device is removed.
class UserDeviceButton : public QRadioButton
{
    Q_OBJECT

public:
    UserDeviceButton(QWidget *parent, const QString &key);
    explicit UserDeviceButton(QWidget *parent);

signals:
    void userDeviceRemoved(const QString &key);

protected:
    bool event(QEvent *event) override;

private:
    QString deviceKey;
};

#endif // USERDEVICEBUTTON_H
