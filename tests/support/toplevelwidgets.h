#ifndef TOPLEVELWIDGETS_H
#define TOPLEVELWIDGETS_H

#include <QApplication>
#include <QList>
#include <QWidget>

// The application's top-level windows of type W, shown or not, in Qt's order.
template<typename W>
QList<W *> topLevelWidgetsOf()
{
    QList<W *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<W *>(widget))
            found << window;
    }
    return found;
}

// The first of them, or null.
template<typename W>
W *topLevelWidgetOf()
{
    return topLevelWidgetsOf<W>().value(0);
}

#endif // TOPLEVELWIDGETS_H
