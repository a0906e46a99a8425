#include "axdebugmessagehandler.h"
#include "ui_axdebugmessagehandler.h"

#include "messagewindowlimit.h"

#include <cstdio>

AxDebugMessageHandler::AxDebugMessageHandler(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::AxDebugMessageHandler)
{
    ui->setupUi(this);
    ui->plainTextEdit->setMaximumBlockCount(MessageWindowLineLimit);
}

AxDebugMessageHandler::~AxDebugMessageHandler()
{
    delete ui;
}

void AxDebugMessageHandler::message(QtMsgType type, const QString &text)
{
    if (type == QtDebugMsg) {
        ui->plainTextEdit->appendPlainText(text);
        return;
    }
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}
