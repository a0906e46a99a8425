#include "settimewidget.h"

#include "deviceclock.h"
#include "ui_settimewidget.h"

SetTimeWidget::SetTimeWidget(QWidget *parent, AxSignalObject *upstream, const ArdentixDevice &device)
    : AxSignalWidget(parent, upstream)
    , ui(new Ui::SetTimeWidget)
    , m_clock(nullptr)
{
    ui->setupUi(this);
    ui->deviceNameLabel->setText(device.configTitle);
    ui->deviceIpLabel->setText(device.ipAddress.toString());

    m_clock = new DeviceClock(bus, device, this);
    ui->currentDateTimeEdit->setDateTime(m_clock->deviceTime());
    ui->targetDateTimeEdit->setDateTime(m_clock->target());
    connect(m_clock, &DeviceClock::deviceTimeChanged, ui->currentDateTimeEdit, &QDateTimeEdit::setDateTime);
    connect(m_clock, &DeviceClock::targetChanged, ui->targetDateTimeEdit, &QDateTimeEdit::setDateTime);
    connect(ui->targetDateTimeEdit, &QDateTimeEdit::dateTimeChanged, m_clock, &DeviceClock::setTarget);
}

SetTimeWidget::~SetTimeWidget()
{
    delete ui;
}

void SetTimeWidget::on_setTimeButton_clicked()
{
    m_clock->send();
    close();
}

void SetTimeWidget::on_checkBox_toggled(bool checked)
{
    ui->targetDateTimeEdit->setEnabled(!checked);
    m_clock->setUseSystemTime(checked);
}

void SetTimeWidget::on_cancelButton_clicked()
{
    close();
}
