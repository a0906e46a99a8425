#ifndef DIRECTADDRESSPROXYFACTORY_H
#define DIRECTADDRESSPROXYFACTORY_H

#include <QNetworkProxyFactory>

// Requests to a host given as an address (the devices on the PC's networks)
// go direct; a named host (the maker's cloud) goes the way the system's proxy
// settings say. Asking the system costs a round trip to its proxy resolver,
// far more than the request to a device on the local network itself.
class DirectAddressProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override;
};

#endif // DIRECTADDRESSPROXYFACTORY_H
