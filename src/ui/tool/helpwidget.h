#ifndef HELPWIDGET_H
#define HELPWIDGET_H

#include "toolboxspashwindow.h"

#include "ui/axsignalwidget.h"
#include "ui/runmode.h"

class QUrl;

namespace Ui {
class HelpWidget;
}

// The help page beside the program, in its own window; the main window keeps one,
// hidden. Its link "internal/startup" opens the welcome tour, other links a browser.
class HelpWidget : public AxSignalWidget
{
    Q_OBJECT

public:
    HelpWidget(QWidget *parent, AxSignalObject *upstream, RUN_MODE mode);
    ~HelpWidget() override;

private slots:
    void on_closeButton_clicked();
    void on_textBrowser_anchorClicked(const QUrl &link);

private:
    Ui::HelpWidget *ui;
    // Opened on the tour only; its "Discover Now" just hides it.
    ToolboxSpashWindow welcomeWindow;
};

#endif // HELPWIDGET_H
