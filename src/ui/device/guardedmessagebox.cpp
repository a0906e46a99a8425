#include "guardedmessagebox.h"

#include <QAbstractButton>
#include <QList>
#include <QPointer>
#include <QPushButton>

int GuardedMessageBox::ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                           const QString &text, const QStringList &buttons)
{
    QPointer<QMessageBox> box = new QMessageBox(icon, title, text, QMessageBox::NoButton, parent);
    box->setTextFormat(Qt::PlainText);
    QList<QAbstractButton *> added;
    for (const QString &label : buttons)
        added << box->addButton(label, QMessageBox::ActionRole);
    if (!added.isEmpty()) {
        box->setDefaultButton(static_cast<QPushButton *>(added.first()));
        box->setEscapeButton(added.last());
    }
    box->exec();
    if (!box)
        return -1;
    const int chosen = added.indexOf(box->clickedButton());
    delete box;
    return chosen;
}

void GuardedMessageBox::tell(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                             const QString &text)
{
    QPointer<QMessageBox> box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->exec();
    delete box;
}
