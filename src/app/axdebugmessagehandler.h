#ifndef AXDEBUGMESSAGEHANDLER_H
#define AXDEBUGMESSAGEHANDLER_H

#include <QWidget>

namespace Ui {
class AxDebugMessageHandler;
}

// The debug message window of "-d": shows debug messages, one paragraph each;
// other messages go to standard output.
class AxDebugMessageHandler : public QWidget
{
    Q_OBJECT

public:
    explicit AxDebugMessageHandler(QWidget *parent = nullptr);
    ~AxDebugMessageHandler() override;

    void message(QtMsgType type, const QString &text);

private:
    Ui::AxDebugMessageHandler *ui;
};

#endif // AXDEBUGMESSAGEHANDLER_H
