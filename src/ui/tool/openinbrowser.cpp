#include "openinbrowser.h"

#include "model/configsettings.h"

#include <QDebug>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace {

bool openAddress(const QUrl &url, const QString &address, const CONFIG_SETTINGS &profile)
{
    bool opened = false;
    if (profile.useDefaultBrowser || profile.browserPath.isEmpty())
        opened = QDesktopServices::openUrl(url);
    else if (!address.startsWith(QLatin1Char('-')))
        opened = QProcess::startDetached(profile.browserPath, {address});
    if (!opened)
        qDebug() << "Could not open" << address;
    return opened;
}

} // namespace

bool openInBrowser(const QUrl &url, const CONFIG_SETTINGS &profile)
{
    return openAddress(url, url.toString(), profile);
}

bool openInBrowser(const QString &address, const CONFIG_SETTINGS &profile)
{
    return openAddress(QUrl(address), address, profile);
}
