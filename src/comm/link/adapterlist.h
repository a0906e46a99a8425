#ifndef ADAPTERLIST_H
#define ADAPTERLIST_H

#include <QObject>
#include <QString>

class Adapter;
class QNetworkInterface;

// The PC's IPv4 adapters, enumerated once at construction: one Adapter per
// IPv4 address of every usable Ethernet interface, at most ten.
class AdapterList : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxAdapters = 10;

    explicit AdapterList(QObject *parent = nullptr);
    ~AdapterList() override;

    int count() const;
    Adapter *adapter(quint8 index) const;

    QString name(quint8 index) const;
    QString description(quint8 index) const;
    QString winPcapName(quint8 index) const;
    QString ipString(quint8 index) const;
    quint32 ipv4(quint8 index) const;
    quint32 ipNetworkOrder(quint8 index) const;
    QString netmaskString(quint8 index) const;
    quint32 netmask(quint8 index) const;
    quint32 netmaskNetworkOrder(quint8 index) const;

private:
    static bool isUsable(const QNetworkInterface &interface);
    Adapter *at(quint8 index, const char *failure) const;

    Adapter *m_adapters[MaxAdapters] = {};
    int m_count = 0;
};

#endif // ADAPTERLIST_H
