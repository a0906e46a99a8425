#include "rowbutton.h"

RowButton::RowButton(QWidget *parent, const QString &key)
    : QRadioButton(parent)
    , deviceKey(key)
{
    setAutoExclusive(false);
}
