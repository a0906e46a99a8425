#ifndef AXCONNECTIONMETHOD_H
#define AXCONNECTIONMETHOD_H

#include <QMetaType>

// How to open a device: its web interface or the KOVNET tool, each with the other
// as fallback; AX_CONN_DEFAULT stands for the main window's default.
enum AX_CONNECTION_METHOD {
    AX_CONN_DEFAULT = 0,
    AX_CONN_KOVNET = 1,
    AX_CONN_AXGUI = 2
};

Q_DECLARE_METATYPE(AX_CONNECTION_METHOD)

#endif // AXCONNECTIONMETHOD_H
