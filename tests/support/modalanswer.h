#ifndef MODALANSWER_H
#define MODALANSWER_H

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal box or popup menu once it is up, from inside its own
// event loop, the way a user would. The poll ends with the answer; a test that
// expects no box deletes it.
inline QTimer *whenUp(std::function<QWidget *()> find, std::function<void(QWidget *)> answer)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, find, answer] {
        QWidget *widget = find();
        if (!widget || !widget->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        answer(widget);
    });
    poll->start(10);
    return poll;
}

inline QTimer *whenModalUp(std::function<void(QWidget *)> answer)
{
    return whenUp([] { return QApplication::activeModalWidget(); }, std::move(answer));
}

inline QTimer *whenPopupUp(std::function<void(QWidget *)> answer)
{
    return whenUp([] { return QApplication::activePopupWidget(); }, std::move(answer));
}

#endif // MODALANSWER_H
