#ifndef NETWORKSETTINGS_H
#define NETWORKSETTINGS_H

#include "model/ardentixdevice.h"

#include <QByteArray>
#include <QString>

// The network settings of one device as its file "ax_tcp.ini" holds them: up to
// twelve rows, each present or not, read from the device's copy and written
// back as the device expects it.
class NetworkSettings
{
public:
    // In the order of the file.
    enum Row {
        N1Ip, N1Netmask, N1Gateway, N1DhcpClient, N1DhcpServer,
        Dns1, Dns2,
        N2Ip, N2Netmask, N2Gateway, N2DhcpClient, N2DhcpServer,
        RowCount
    };

    // What one read showed, for the window to grow by.
    struct ReadResult {
        bool ok = false;        // false: the file holds no N1 address, nothing changed
        int n2LinesShown = 0;
        bool dnsShown = false;
    };

    static const QString DeviceFileName;   // "ax_tcp.ini"
    static const QByteArray Header;
    static const QString Enabled;          // the DHCP values
    static const QString Disabled;

    NetworkSettings();

    static QString key(Row row);
    static bool isAddress(Row row);
    // Four decimal numbers 0 to 255 without leading zeros, blanks around allowed.
    static bool isDottedQuad(const QString &text);

    // Shows the rows the file names for this device and takes their values;
    // rows shown before stay shown.
    ReadResult read(const QByteArray &file, const ArdentixDevice &device);

    bool isPresent(Row row) const { return m_present[row]; }
    QString value(Row row) const { return m_value[row]; }
    void setValue(Row row, const QString &value) { m_value[row] = value; }
    // Every present address row holds a dotted quad.
    bool isWritable() const;
    // The header and one line per present row; addresses trimmed.
    QByteArray fileText() const;

private:
    static int matchingRow(const QString &line);
    static QString valueOf(const QString &line);

    bool m_present[RowCount];
    QString m_value[RowCount];
};

#endif // NETWORKSETTINGS_H
