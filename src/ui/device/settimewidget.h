#ifndef SETTIMEWIDGET_H
#define SETTIMEWIDGET_H

#include "model/ardentixdevice.h"
#include "ui/axsignalwidget.h"

class DeviceClock;

namespace Ui {
class SetTimeWidget;
}

// The "Set Device Time" window: shows the device's clock running on and sends
// the PC's time, or one the user chose, to the device. The opener asks for the
// device's time and shows the window.
class SetTimeWidget : public AxSignalWidget
{
    Q_OBJECT

public:
    SetTimeWidget(QWidget *parent, AxSignalObject *upstream, const ArdentixDevice &device);
    ~SetTimeWidget() override;

private slots:
    void on_setTimeButton_clicked();
    void on_checkBox_toggled(bool checked);
    void on_cancelButton_clicked();

private:
    Ui::SetTimeWidget *ui;
    DeviceClock *m_clock;
};

#endif // SETTIMEWIDGET_H
