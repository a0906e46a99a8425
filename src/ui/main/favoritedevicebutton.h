#ifndef FAVORITEDEVICEBUTTON_H
#define FAVORITEDEVICEBUTTON_H

#include "rowbutton.h"

// The favourite star of a device row: a click toggles it and reports the
// row's key with the new state.
class FavoriteDeviceButton : public RowButton
{
    Q_OBJECT

public:
    using RowButton::RowButton;

signals:
    void FavoriteChanged(const QString &key, bool favorite);

protected:
    bool event(QEvent *event) override;
};

#endif // FAVORITEDEVICEBUTTON_H
