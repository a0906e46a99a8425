#ifndef CONTACTWIDGET_H
#define CONTACTWIDGET_H

#include "ui/axsignalwidget.h"
#include "ui/runmode.h"

class QUrl;

namespace Ui {
class ContactWidget;
}

// The contact page beside the program, in its own window; the main window keeps one,
// hidden. Its links open in a browser; "internal/" ones belong to the help page.
class ContactWidget : public AxSignalWidget
{
    Q_OBJECT

public:
    ContactWidget(QWidget *parent, AxSignalObject *upstream, RUN_MODE mode);
    ~ContactWidget() override;

private slots:
    void on_textBrowser_anchorClicked(const QUrl &link);
    void on_closeButton_clicked();

private:
    Ui::ContactWidget *ui;
};

#endif // CONTACTWIDGET_H
