#include "ui/axsignalwidget.h"

AxSignalWidget::AxSignalWidget(QWidget *parent, AxSignalObject *upstream)
    : QWidget(parent)
    , bus(nullptr)
    , settings(nullptr)
    , treeClosing(false)
{
    if (!upstream)
        return;
    bus = new AxSignalObject(upstream);
    // Owned by the widget rather than by the upstream relay, so it goes with the window.
    bus->setParent(this);
    settings = bus->settings;
}

void AxSignalWidget::set_widget_tree_close(bool close)
{
    treeClosing = close;
}
