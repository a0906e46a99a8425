#ifndef NOTICEBOX_H
#define NOTICEBOX_H

#include <QMessageBox>
#include <QPointer>
#include <QString>

class QWidget;

// Shows a message box that does not stop its window: discovery and the device
// table go on while it is up. A box still shown through `box` is reused for the
// next notice instead of stacking another; it deletes itself when closed. The
// text is shown as plain text, as it may quote a device.
QMessageBox *showNotice(QPointer<QMessageBox> &box, QWidget *parent, QMessageBox::Icon icon,
                        const QString &title, const QString &text);

#endif // NOTICEBOX_H
