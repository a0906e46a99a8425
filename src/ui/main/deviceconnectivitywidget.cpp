#include "deviceconnectivitywidget.h"

#include "model/ardentixdevice.h"

#include <QEvent>
#include <QIcon>

DeviceConnectivityWidget::DeviceConnectivityWidget(QWidget *parent, const ArdentixDevice &device)
    : QCheckBox(parent)
    , vekConnected(false)
    , ipConnected(false)
    , deviceKey(device.macAddress)
{
    setTristate(true);
}

DeviceConnectivityWidget::DeviceConnectivityWidget(QWidget *parent)
    : QCheckBox(parent)
    , vekConnected(false)
    , ipConnected(false)
{
    setTristate(true);
    setConnectivityState(false, false);
}

void DeviceConnectivityWidget::setConnectivityState(bool vek, bool ip)
{
    vekConnected = vek;
    ipConnected = ip;
    const char *image = ipConnected ? "./images/button_colour1.png"
                        : vekConnected ? "./images/button_colour2.png"
                                       : "./images/button_colour3.png";
    setIcon(QIcon(QString::fromLatin1(image)));
}

bool DeviceConnectivityWidget::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        return false;
    case QEvent::MouseButtonPress:
        emit widgetClicked(deviceKey);
        return false;
    default:
        return QCheckBox::event(event);
    }
}
