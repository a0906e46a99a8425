#include "contactwidget.h"
#include "ui_contactwidget.h"

#include "htmlpage.h"

ContactWidget::ContactWidget(QWidget *parent, AxSignalObject *upstream, RUN_MODE mode)
    : AxSignalWidget(parent, upstream)
    , ui(new Ui::ContactWidget)
{
    Q_UNUSED(mode);
    ui->setupUi(this);
    ui->textBrowser->setHtml(readHtmlPage(QStringLiteral("contact/ardentix_contact.htm")));
}

ContactWidget::~ContactWidget()
{
    delete ui;
}
