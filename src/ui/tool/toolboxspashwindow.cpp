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
    showPicture(QStringLiteral("./images/tour_p1_secure.jpg"));
    ui->discoverNowButton_1->hide();
    ui->takeTourButton->hide();
    ui->checkBox->hide();
    ui->discoverNowButton_3->hide();
    ui->previousButton->hide();
    ui->discoverNowButton_2->show();
    ui->NextButton->show();
}

void ToolboxSpashWindow::on_discoverNowButton_2_clicked()
{
    discover_now();
}

void ToolboxSpashWindow::on_NextButton_clicked()
{
    showPicture(QStringLiteral("./images/tour_p2.jpg"));
    ui->discoverNowButton_2->hide();
    ui->NextButton->hide();
    ui->discoverNowButton_3->show();
    ui->previousButton->show();
}

void ToolboxSpashWindow::on_discoverNowButton_3_clicked()
{
    discover_now();
}

void ToolboxSpashWindow::on_previousButton_clicked()
{
    showPicture(QStringLiteral("./images/tour_p1_secure.jpg"));
    ui->discoverNowButton_1->hide();
    ui->discoverNowButton_3->hide();
    ui->previousButton->hide();
    ui->discoverNowButton_2->show();
    ui->NextButton->show();
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
