#include "axmessagewindow.h"
#include "ui_axmessagewindow.h"

#include "messagewindowlimit.h"

#include <QApplication>
#include <QPointer>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>

namespace {

QString prefixed(QtMsgType type, const QString &text)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("> ") + text;
    case QtWarningMsg:
        return QStringLiteral("WARNING--> ") + text;
    case QtCriticalMsg:
        return QStringLiteral("CRITICAL--> ") + text;
    default:
        return QStringLiteral("UNKNOWN--> ") + text;
    }
}

[[noreturn]] void endWithFatal(const QString &text)
{
    std::fputs(("FATAL: " + text + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
    // Any thread may end here: no destructor runs under another thread's feet.
    std::_Exit(1);
}

void toStandardError(QtMsgType type, const QString &text)
{
    std::fputs((prefixed(type, text) + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

// GUI thread only.
void showInWindow(QtMsgType type, const QString &text)
{
    static QPointer<AXMessageWindow> window;
    if (!window) {
        window = new AXMessageWindow(nullptr);
        window->show();
    }
    window->messageOutput(type, text);
}

} // namespace

AXMessageWindow::AXMessageWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::AXMessageWindow)
{
    ui->setupUi(this);
    ui->textEdit->document()->setMaximumBlockCount(MessageWindowLineLimit);
    setWindowTitle(tr("AX Message Window"));
}

AXMessageWindow::~AXMessageWindow()
{
    delete ui;
}

void AXMessageWindow::messageOutput(QtMsgType type, const QString &text)
{
    if (type == QtFatalMsg)
        endWithFatal(text);
    // Messages quote device titles and answers: shown as written, never as markup.
    ui->textEdit->append(Qt::convertFromPlainText(prefixed(type, text), Qt::WhiteSpacePre));
}

void axMessageWindowHandler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg)
        endWithFatal(text);
    auto *application = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!application) {
        toStandardError(type, text);
        return;
    }
    // Every message takes the GUI thread's queue: widgets live there, and a message
    // may come while the application is still being built, or from inside a paint.
    QMetaObject::invokeMethod(application, [type, text] { showInWindow(type, text); }, Qt::QueuedConnection);
}
