#ifndef AXSIGNALWIDGET_H
#define AXSIGNALWIDGET_H

#include "model/axsignalobject.h"
#include "model/configsettings.h"

#include <QWidget>

// Base of the device windows: a widget with its own relay on the signal bus.
// The relay goes with the widget, so a window that is gone neither receives
// results nor leaves its relay behind on the bus; only while windows opened on
// it are still open does it stay, to keep their chain to the root.
class AxSignalWidget : public QWidget
{
    Q_OBJECT

public:
    // Without an upstream the widget has no bus and no settings.
    AxSignalWidget(QWidget *parent, AxSignalObject *upstream);
    ~AxSignalWidget() override;

    AxSignalObject *bus;
    const CONFIG_SETTINGS *settings;
    // Set by a child window that closes the whole tree of windows.
    bool treeClosing;

public slots:
    void set_widget_tree_close(bool close);
};

#endif // AXSIGNALWIDGET_H
