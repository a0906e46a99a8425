#ifndef AXACTIONCOMBOBOX_H
#define AXACTIONCOMBOBOX_H

#include <QComboBox>

// A combo box whose popup opens 48 pixels to the left of the box, so a list of
// actions at the right edge of a row stays inside the table.
class AxActionComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit AxActionComboBox(QWidget *parent);

    void showPopup() override;
};

#endif // AXACTIONCOMBOBOX_H
