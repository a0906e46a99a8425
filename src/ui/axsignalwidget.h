#ifndef AXSIGNALWIDGET_H
#define AXSIGNALWIDGET_H

#include "model/axsignalobject.h"
#include "model/configsettings.h"

#include <QWidget>

// Base of the device windows: a widget with its own relay on the signal bus.
// The relay is deleted with the widget, so a window that is gone neither
// receives results nor leaves its relay behind on the bus.
class AxSignalWidget : public QWidget
{
    Q_OBJECT

public:
    // Without an upstream the widget has no bus and no settings.
    AxSignalWidget(QWidget *parent, AxSignalObject *upstream);

    AxSignalObject *bus;
    const CONFIG_SETTINGS *settings;
    // Set by a child window that closes the whole tree of windows.
    bool treeClosing;

public slots:
    void set_widget_tree_close(bool close);
};

#endif // AXSIGNALWIDGET_H
