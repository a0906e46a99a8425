#ifndef TOOLBOXSPASHWINDOW_H
#define TOOLBOXSPASHWINDOW_H

#include "ui/runmode.h"

#include <QWidget>

namespace Ui {
class ToolboxSpashWindow;
}

// The welcome window and its two-page picture tour. At start-up its "Discover Now"
// buttons start the controller; the help window keeps a silent one for the tour.
class ToolboxSpashWindow : public QWidget
{
    Q_OBJECT

public:
    ToolboxSpashWindow(QWidget *parent, bool startDiscovery, RUN_MODE runMode);
    ~ToolboxSpashWindow() override;

    void showTour();

signals:
    void start_discovery(RUN_MODE mode);

private slots:
    void on_checkBox_toggled(bool checked);
    void on_discoverNowButton_1_clicked();
    void on_takeTourButton_clicked();
    void on_discoverNowButton_2_clicked();
    void on_NextButton_clicked();
    void on_discoverNowButton_3_clicked();
    void on_previousButton_clicked();
    void discover_now();

private:
    void showPicture(const QString &path);
    void showTourPage(int page);

    Ui::ToolboxSpashWindow *ui;
    bool startDiscovery;
    RUN_MODE runMode;
};

#endif // TOOLBOXSPASHWINDOW_H
