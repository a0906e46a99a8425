#ifndef AXMESSAGEWINDOW_H
#define AXMESSAGEWINDOW_H

#include <QMainWindow>

namespace Ui {
class AXMessageWindow;
}

// A window that lists the process's diagnostic messages, each behind its level.
// Nothing installs it; axMessageWindowHandler makes one on the first message.
class AXMessageWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit AXMessageWindow(QWidget *parent = nullptr);
    ~AXMessageWindow() override;

    // A fatal message is printed to standard output and ends the process with exit code 1.
    void messageOutput(QtMsgType type, const QString &text);

private:
    Ui::AXMessageWindow *ui;
};

// A message handler for qInstallMessageHandler. Messages reach the window through
// the GUI thread's event queue, from any thread; one before the QApplication exists
// goes to standard error.
void axMessageWindowHandler(QtMsgType type, const QMessageLogContext &context, const QString &text);

#endif // AXMESSAGEWINDOW_H
