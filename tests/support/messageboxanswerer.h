#ifndef MESSAGEBOXANSWERER_H
#define MESSAGEBOXANSWERER_H

#include <QAbstractButton>
#include <QApplication>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

// Answers the modal message boxes of the windows under test as they appear
// (they run nested event loops), by the button text chosen for their title,
// and remembers every box it saw as "title|text".
class MessageBoxAnswerer : public QObject
{
public:
    QStringList seen;
    QHash<QString, QString> answers;   // title -> button text; otherwise the first button

    MessageBoxAnswerer()
    {
        connect(&poll, &QTimer::timeout, this, [this] { answerOpenBoxes(); });
        poll.start(10);
    }

    bool saw(const QString &title) const
    {
        for (const QString &box : seen) {
            if (box.startsWith(title + QLatin1Char('|')))
                return true;
        }
        return false;
    }

private:
    void answerOpenBoxes()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible() || handled.contains(box))
                continue;
            handled << box;
            seen << box->windowTitle() + QLatin1Char('|') + box->text();
            const QString wanted = answers.value(box->windowTitle());
            QAbstractButton *choice = box->buttons().value(0);
            for (QAbstractButton *button : box->buttons()) {
                if (!wanted.isEmpty() && button->text() == wanted)
                    choice = button;
            }
            // Clicked from the event loop, not from inside this scan.
            QMetaObject::invokeMethod(choice, &QAbstractButton::click, Qt::QueuedConnection);
        }
    }

    QTimer poll;
    QList<QPointer<QMessageBox>> handled;
};

#endif // MESSAGEBOXANSWERER_H
