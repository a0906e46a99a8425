#ifndef DEVICECONNECTIVITYWIDGET_H
#define DEVICECONNECTIVITYWIDGET_H

#include <QCheckBox>
#include <QString>

class ArdentixDevice;

// A connectivity indicator for a device row: its icon tells IP, link-level or
// no connectivity, and a press reports the row's key. The mouse never changes
// its check state.
class DeviceConnectivityWidget : public QCheckBox
{
    Q_OBJECT

public:
    DeviceConnectivityWidget(QWidget *parent, const ArdentixDevice &device);
    explicit DeviceConnectivityWidget(QWidget *parent);

    void setConnectivityState(bool vekConnected, bool ipConnected);

signals:
    void widgetClicked(const QString &key);

public slots:
    bool event(QEvent *event) override;

private:
    bool vekConnected;
    bool ipConnected;
    QString deviceKey;
};

#endif // DEVICECONNECTIVITYWIDGET_H
