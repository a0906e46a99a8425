#ifndef GUARDEDMESSAGEBOX_H
#define GUARDEDMESSAGEBOX_H

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

// A modal message box that survives the destruction of its parent while it is
// open: the device windows run these nested loops while bus results, process
// ends and the closing of their opener keep arriving. Texts are shown as plain
// text, as they may quote a device.
class GuardedMessageBox
{
public:
    // Text buttons: the first is the default, the last answers Escape. Returns
    // the index of the button chosen, or -1 when the box went with its parent.
    static int ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                   const QString &text, const QStringList &buttons);
    // One OK button; returns when the box is closed or gone.
    static void tell(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text);
};

#endif // GUARDEDMESSAGEBOX_H
