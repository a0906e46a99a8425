#include "helpwidget.h"
#include "ui_helpwidget.h"

#include "htmlpage.h"

HelpWidget::HelpWidget(QWidget *parent, AxSignalObject *upstream, RUN_MODE mode)
    : AxSignalWidget(parent, upstream)
    , ui(new Ui::HelpWidget)
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
