#include "comm/json/directaddressproxyfactory.h"

#include <QHostAddress>

QList<QNetworkProxy> DirectAddressProxyFactory::queryProxy(const QNetworkProxyQuery &query)
{
    if (!QHostAddress(query.peerHostName()).isNull())
        return {QNetworkProxy(QNetworkProxy::NoProxy)};
    return systemProxyForQuery(query);
}
