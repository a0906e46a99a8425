#include "contactwidget.h"
#include "ui_contactwidget.h"

#include "htmlpage.h"
#include "openinbrowser.h"

#include <QUrl>

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

void ContactWidget::on_textBrowser_anchorClicked(const QUrl &link)
{
    if (link.toString().startsWith(QLatin1String("internal/")))
        return;
    openInBrowser(link, settings ? *settings : CONFIG_SETTINGS());
}

void ContactWidget::on_closeButton_clicked()
{
    close();
}
