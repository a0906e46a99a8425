#include "testsandbox.h"

#include <QDir>
#include <QSettings>

TestSandbox::TestSandbox()
    : m_previousDir(QDir::currentPath())
{
    if (!m_dir.isValid())
        return;
    const QString settings = settingsPath();
    QDir().mkpath(settings);
    QDir().mkpath(settings + "/system");
    qputenv("XDG_CONFIG_HOME", settings.toLocal8Bit());
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, settings);
        QSettings::setPath(format, QSettings::SystemScope, settings + "/system");
    }
    QDir::setCurrent(m_dir.path());
}

TestSandbox::~TestSandbox()
{
    QDir::setCurrent(m_previousDir);
}

bool TestSandbox::isValid() const
{
    return m_dir.isValid();
}

QString TestSandbox::path() const
{
    return m_dir.path();
}

QString TestSandbox::filePath(const QString &name) const
{
    return m_dir.filePath(name);
}

QString TestSandbox::settingsPath() const
{
    return m_dir.filePath(".settings");
}
