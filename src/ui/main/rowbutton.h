#ifndef ROWBUTTON_H
#define ROWBUTTON_H

#include <QRadioButton>
#include <QString>

// A button of a device row, the favourite star or the remove button: it keeps
// the row's key and toggles apart from the buttons of other rows.
class RowButton : public QRadioButton
{
    Q_OBJECT

public:
    // Without a key the button reports an empty one.
    explicit RowButton(QWidget *parent, const QString &key = QString());

protected:
    const QString deviceKey;
};

#endif // ROWBUTTON_H
