#ifndef FAVORITEDEVICEBUTTON_H
#define FAVORITEDEVICEBUTTON_H

#include <QRadioButton>
#include <QString>

// The favourite star of a device row: a click toggles it and reports the
// row's key with the new state.
class FavoriteDeviceButton : public QRadioButton
{
    Q_OBJECT

public:
    FavoriteDeviceButton(QWidget *parent, const QString &key);
    explicit FavoriteDeviceButton(QWidget *parent);

signals:
    void FavoriteChanged(const QString &key, bool favorite);

protected:
    bool event(QEvent *event) override;

private:
    QString deviceKey;
};

#endif // FAVORITEDEVICEBUTTON_H
