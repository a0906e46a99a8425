#include "openinbrowser.h"

#include "model/configsettings.h"

#include <QDebug>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

void openInBrowser(const QString &address, const CONFIG_SETTINGS &profile)
{
    bool opened = false;
    if (profile.useDefaultBrowser || profile.browserPath.isEmpty())
        opened = QDesktopServices::openUrl(QUrl(address));
    else
        opened = QProcess::startDetached(profile.browserPath, {address});
    if (!opened)
        qDebug() << "Could not open" << address;
}
