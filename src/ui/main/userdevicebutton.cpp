#include "userdevicebutton.h"

#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

bool UserDeviceButton::event(QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress || !isChecked())
        return QRadioButton::event(event);

    // The table keeps refreshing while the box is up and may drop this row,
    // deleting the button, and the box with it, before the box returns.
    const QPointer<UserDeviceButton> self(this);
    auto *box = new QMessageBox(QMessageBox::Information, tr("Remove remote device"),
                                tr("Are you sure you want to remove \nthis device from the list?"),
                                QMessageBox::NoButton, this);
    QPushButton *remove = box->addButton(tr("Remove"), QMessageBox::AcceptRole);
    box->setEscapeButton(box->addButton(tr("Cancel"), QMessageBox::RejectRole));
    box->setDefaultButton(remove);
    box->exec();
    if (!self) {
        event->accept();   // ends the press here: the button is gone
        return true;
    }
    const bool confirmed = box->clickedButton() == remove;
    delete box;
    if (!confirmed)
        return false;

    QRadioButton::event(event);
    deleteLater();
    emit userDeviceRemoved(deviceKey);
    return false;
}
