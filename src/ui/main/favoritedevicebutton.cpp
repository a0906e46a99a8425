#include "favoritedevicebutton.h"

#include <QEvent>

FavoriteDeviceButton::FavoriteDeviceButton(QWidget *parent, const QString &key)
    : QRadioButton(parent)
    , deviceKey(key)
{
    // Each row's star toggles on its own.
    setAutoExclusive(false);
}

FavoriteDeviceButton::FavoriteDeviceButton(QWidget *parent)
    : FavoriteDeviceButton(parent, QString())
{
}

bool FavoriteDeviceButton::event(QEvent *event)
{
    const bool handled = QRadioButton::event(event);
    // Every release reports, also one that did not complete a click.
    if (event->type() == QEvent::MouseButtonRelease)
        emit FavoriteChanged(deviceKey, isChecked());
    return handled;
}
