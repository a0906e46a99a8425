#ifndef CONTACTWIDGET_H
#define CONTACTWIDGET_H

#include "ui/axsignalwidget.h"
#include "ui/runmode.h"

namespace Ui {
class ContactWidget;
}

// The contact page beside the program, in its own window; the main window keeps one, hidden.
class ContactWidget : public AxSignalWidget
{
    Q_OBJECT

public:
    ContactWidget(QWidget *parent, AxSignalObject *upstream, RUN_MODE mode);
    ~ContactWidget() override;

private:
    Ui::ContactWidget *ui;
};

#endif // CONTACTWIDGET_H
