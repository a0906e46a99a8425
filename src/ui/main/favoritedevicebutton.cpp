#include "favoritedevicebutton.h"

#include <QEvent>

bool FavoriteDeviceButton::event(QEvent *event)
{
    const bool handled = QRadioButton::event(event);
    // Every release reports, also one that did not complete a click.
    if (event->type() == QEvent::MouseButtonRelease)
        emit FavoriteChanged(deviceKey, isChecked());
    return handled;
}
