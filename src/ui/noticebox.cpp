#include "noticebox.h"

QMessageBox *showNotice(QPointer<QMessageBox> &box, QWidget *parent, QMessageBox::Icon icon,
                        const QString &title, const QString &text)
{
    if (!box) {
        box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
    }
    box->setIcon(icon);
    box->setWindowTitle(title);
    box->setText(text);
    box->show();
    return box;
}
