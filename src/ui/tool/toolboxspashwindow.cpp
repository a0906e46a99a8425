#include "toolboxspashwindow.h"
#include "ui_toolboxspashwindow.h"

#include "model/configsettings.h"

#include <cstdlib>

ToolboxSpashWindow::ToolboxSpashWindow(QWidget *parent, bool startDiscovery, RUN_MODE runMode)
    : QWidget(parent)
    , ui(new Ui::ToolboxSpashWindow)
    , startDiscovery(startDiscovery)
    , runMode(runMode)
{
    ui->setupUi(this);
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint);

    // Another instance runs: this start ends here, before the event loop, so quietly and for real.
    if (runMode & RUN_MODE_SECOND_INSTANCE)
        std::exit(1);

    const bool showOnStartup = readShowSplash();
    ui->discoverNowButton_2->hide();
    ui->discoverNowButton_3->hide();
    ui->NextButton->hide();
    ui->previousButton->hide();
    ui->checkBox->setChecked(showOnStartup);
}

ToolboxSpashWindow::~ToolboxSpashWindow()
{
    delete ui;
}

void ToolboxSpashWindow::showTour()
{
    on_takeTourButton_clicked();
    setVisible(true);
}

void ToolboxSpashWindow::on_checkBox_toggled(bool checked)
{
    writeShowSplash(checked);
}

void ToolboxSpashWindow::on_discoverNowButton_1_clicked()
{
    discover_now();
}

void ToolboxSpashWindow::on_takeTourButton_clicked()
{
    showTourPage(1);
}

void ToolboxSpashWindow::on_discoverNowButton_2_clicked()
{
    discover_now();
}

void ToolboxSpashWindow::on_NextButton_clicked()
{
    showTourPage(2);
}

void ToolboxSpashWindow::on_discoverNowButton_3_clicked()
{
    discover_now();
}

void ToolboxSpashWindow::on_previousButton_clicked()
{
    showTourPage(1);
}

// A page of the tour: its picture, its discover button, and Next on the
// first page or Previous on the second; the welcome page's controls are gone.
void ToolboxSpashWindow::showTourPage(int page)
{
    showPicture(page == 1 ? QStringLiteral("./images/tour_p1_secure.jpg") : QStringLiteral("./images/tour_p2.jpg"));
    ui->discoverNowButton_1->hide();
    ui->takeTourButton->hide();
    ui->checkBox->hide();
    ui->discoverNowButton_2->setVisible(page == 1);
    ui->NextButton->setVisible(page == 1);
    ui->discoverNowButton_3->setVisible(page == 2);
    ui->previousButton->setVisible(page == 2);
}

void ToolboxSpashWindow::discover_now()
{
    if (startDiscovery) {
        // The start runs inside the emission and may wait on a box of its own:
        // the buttons must not start it a second time meanwhile.
        setEnabled(false);
        emit start_discovery(runMode);
    }
    close();
}

void ToolboxSpashWindow::showPicture(const QString &path)
{
    setStyleSheet(QStringLiteral("QFrame{background:url(") + path + QStringLiteral(");}"));
}
