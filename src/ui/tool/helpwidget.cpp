#include "helpwidget.h"
#include "ui_helpwidget.h"

#include "htmlpage.h"
#include "openinbrowser.h"

#include <QUrl>

HelpWidget::HelpWidget(QWidget *parent, AxSignalObject *upstream, RUN_MODE mode)
    : AxSignalWidget(parent, upstream)
    , ui(new Ui::HelpWidget)
    , welcomeWindow(nullptr, false, RUN_MODE(0))
{
    Q_UNUSED(mode);
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral("./images/icon.ico")));
    ui->textBrowser->setHtml(readHtmlPage(QStringLiteral("help/ax_help.htm")));
}

HelpWidget::~HelpWidget()
{
    delete ui;
}

void HelpWidget::on_closeButton_clicked()
{
    close();
}

void HelpWidget::on_textBrowser_anchorClicked(const QUrl &link)
{
    const QString target = link.toString();
    if (target.startsWith(QLatin1String("internal/"))) {
        if (target.split(QLatin1Char('/')).value(1) == QLatin1String("startup"))
            welcomeWindow.showTour();
        return;
    }
    openInBrowser(link, settings ? *settings : CONFIG_SETTINGS());
}
