#ifndef USERDEVICEBUTTON_H
#define USERDEVICEBUTTON_H

#include "rowbutton.h"

// The remove button of a row of a device the user added by address. It stays
// checked; a press asks for confirmation before the device is removed.
class UserDeviceButton : public RowButton
{
    Q_OBJECT

public:
    using RowButton::RowButton;

signals:
    void userDeviceRemoved(const QString &key);

protected:
    bool event(QEvent *event) override;
};

#endif // USERDEVICEBUTTON_H
