#include "axactioncombobox.h"

namespace {
const int kPopupShift = 48;
}

AxActionComboBox::AxActionComboBox(QWidget *parent)
    : QComboBox(parent)
{
}

void AxActionComboBox::showPopup()
{
    move(x() - kPopupShift, y());
    QComboBox::showPopup();
    move(x() + kPopupShift, y());
}
