#ifndef HELPWIDGET_H
#define HELPWIDGET_H

#include "ui/axsignalwidget.h"
#include "ui/runmode.h"

namespace Ui {
class HelpWidget;
}

// The help page beside the program, in its own window; the main window keeps one, hidden.
class HelpWidget : public AxSignalWidget
{
    Q_OBJECT

public:
    HelpWidget(QWidget *parent, AxSignalObject *upstream, RUN_MODE mode);
    ~HelpWidget() override;

private:
    Ui::HelpWidget *ui;
};

#endif // HELPWIDGET_H
