#include "axtmainwindow.h"

// The device table's rows: made, refreshed, marked offline and removed as the
// device store reports its devices. Rows arrive with the table-row widgets;
// until then the window shows its header only.

void AXTMainWindow::AddDeviceToList(const ArdentixDevice &device)
{
    Q_UNUSED(device);
}

void AXTMainWindow::removeDeviceFromList(const QString &key)
{
    Q_UNUSED(key);
}

void AXTMainWindow::deviceOffline(const ArdentixDevice &device)
{
    Q_UNUSED(device);
}
