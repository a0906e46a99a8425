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
    // Owned by the widget while it lives: an upstream relay deleted first only
    // cuts it off.
    bus->setParent(this);
    settings = bus->settings;
}

AxSignalWidget::~AxSignalWidget()
{
    if (bus)
        bus->ownerGone();
}

void AxSignalWidget::set_widget_tree_close(bool close)
{
    treeClosing = close;
}
