#ifndef DEFERREDROWWIDGETS_H
#define DEFERREDROWWIDGETS_H

#include "model/ardentixdevice.h"

#include <QHash>
#include <QString>

// What the widgets of table rows not yet seen are to show once they are made.
// A row's widgets (connectivity cell, toolbar, star, remove button) are made
// when the row comes into sight; until then each update of the row is noted
// here with the same effect it has on made widgets: the toolbar follows the
// latest device, its lock the last device that set it, the star is only ever
// checked, and a remove button once due stays. Keys are the rows' keys,
// letters in any case.
class DeferredRowWidgets
{
public:
    enum Badge { NoBadge, NewBadge, LostBadge };

    struct Row
    {
        ArdentixDevice device;
        Badge badge = NoBadge;
        bool favorite = false;
        bool removeButton = false;
        bool locked = false;
        ArdentixDevice lockDevice;   // valid when locked

        // The widgets of a row as it is made.
        static Row madeFor(const ArdentixDevice &device, Badge badge);
    };

    bool isEmpty() const;
    bool contains(const QString &key) const;

    // A row made out of sight.
    void defer(const QString &key, const Row &row);
    // A refresh of a row out of sight: its record, or null when the row has its widgets.
    const Row *refresh(const QString &key, const ArdentixDevice &device, Badge badge);
    // The row's record, taken out when its widgets are made.
    Row take(const QString &key);
    void remove(const QString &key);

private:
    QHash<QString, Row> rows;
};

#endif // DEFERREDROWWIDGETS_H
