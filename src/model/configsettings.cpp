#include "configsettings.h"

#include "axmetatypes.h"
#include "platformfilter.h"
#include "workingdirectory.h"

#include <QDebug>
#include <QDir>

#include <algorithm>

namespace {

const QString organisationName = QStringLiteral("Ardentix");
const QString applicationName = QStringLiteral("Toolbox");
const QString profilesArray = QStringLiteral("settings_profiles");
const QString activeProfileKey = QStringLiteral("active_settings_profile");
const QString showSplashKey = QStringLiteral("show_splash");
const QString defaultProfileName = QStringLiteral("Default");
const QString unnamedProfileName = QStringLiteral("temp_config.config_name");
const QString filterFileName = QStringLiteral("filter.ini");

const QString nameKey = QStringLiteral("settings_profile_name");
const QString workingPathKey = QStringLiteral("working_path");
const QString toolsPathKey = QStringLiteral("tools_path");
const QString useDefaultBrowserKey = QStringLiteral("use_default_browser");
const QString browserPathKey = QStringLiteral("browser_path");

// The timing values with the ranges the settings form allows. Outside them a
// ping interval of 0 would flood the network with broadcasts and a period in
// seconds would overflow once turned into milliseconds.
struct TimingField
{
    const char *key;
    int CONFIG_SETTINGS::*field;
    int minimum;
    int maximum;
};

const TimingField timingFields[] = {
    {"timeout_to_lost", &CONFIG_SETTINGS::timeoutToLost, 0, 30000},
    {"lost_indicator_period", &CONFIG_SETTINGS::lostIndicatorPeriod, 0, 300},
    {"new_indicator_period", &CONFIG_SETTINGS::newIndicatorPeriod, 0, 300},
    {"ping_interval", &CONFIG_SETTINGS::pingInterval, 10, 10000},
};

QString currentDirectory()
{
    return QDir::fromNativeSeparators(QDir::currentPath());
}

CONFIG_SETTINGS withTimingsInRange(CONFIG_SETTINGS config)
{
    for (const TimingField &range : timingFields) {
        int &value = config.*range.field;
        const int bounded = qBound(range.minimum, value, range.maximum);
        if (bounded != value) {
            qWarning() << "Settings value" << range.key << "out of range, limited from" << value << "to" << bounded;
            value = bounded;
        }
    }
    return config;
}

} // namespace

CONFIG_SETTINGS::CONFIG_SETTINGS()
    : profileName(defaultProfileName)
    , workingPath(currentDirectory() + QStringLiteral("/Config"))
    , toolsPath(currentDirectory() + QStringLiteral("/bin"))
    , useDefaultBrowser(true)
    , timeoutToLost(6000)
    , lostIndicatorPeriod(30)
    , newIndicatorPeriod(20)
    , pingInterval(1500)
{
}

CONFIG_SETTINGS CONFIG_SETTINGS::newProfile(bool *workingPathReady)
{
    CONFIG_SETTINGS config;
    const bool ready = ensureWorkingDirectory(config.workingPath);
    if (workingPathReady)
        *workingPathReady = ready;
    config.platformFilter = readPlatformFilter(filterFileName);
    return config;
}

TimingRange timingRange(int CONFIG_SETTINGS::*field)
{
    for (const TimingField &timing : timingFields) {
        if (timing.field == field)
            return {timing.minimum, timing.maximum};
    }
    return {0, 0};
}

bool readShowSplash()
{
    return QSettings(organisationName, applicationName).value(showSplashKey, true).toBool();
}

void writeShowSplash(bool show)
{
    QSettings(organisationName, applicationName).setValue(showSplashKey, show);
}

ConfigSettings::ConfigSettings(QObject *parent)
    : QObject(parent)
    , settingsStore(organisationName, applicationName)
    , activeIndex(0)
{
    registerAxMetaTypes();
    const QString activeName = settingsStore.value(activeProfileKey, defaultProfileName).toString();
    if (settingsStore.status() != QSettings::NoError)
        qWarning() << "The settings store could not be read in full:" << settingsStore.fileName();

    bool workingPathReady = true;
    profiles.append(CONFIG_SETTINGS::newProfile(&workingPathReady));
    if (!workingPathReady)
        uncreatedWorkingPath = profiles.first().workingPath;
    activeConfig = profiles.first();
    loadStoredProfiles(activeName);
}

const CONFIG_SETTINGS *ConfigSettings::currentConfig() const
{
    return &activeConfig;
}

QString ConfigSettings::uncreatedWorkingDirectory() const
{
    return uncreatedWorkingPath;
}

QStringList ConfigSettings::profileNames() const
{
    QStringList names;
    for (const CONFIG_SETTINGS &config : profiles)
        names.append(config.profileName);
    return names;
}

CONFIG_SETTINGS ConfigSettings::activeProfile() const
{
    return profiles.at(activeIndex);
}

CONFIG_SETTINGS ConfigSettings::profile(const QString &name) const
{
    for (const CONFIG_SETTINGS &config : profiles) {
        if (config.profileName == name)
            return config;
    }
    return profiles.first();
}

CONFIG_SETTINGS ConfigSettings::activateProfile(const QString &name)
{
    qDebug() << " Activate condig: " << name;
    int index = -1;
    for (int k = 0; k < profiles.size() && index < 0; ++k) {
        if (profiles.at(k).profileName == name)
            index = k;
    }
    // An unknown name activates the built-in values but keeps the index.
    if (index >= 0)
        activeIndex = index;
    activeConfig = profiles.at(index >= 0 ? index : 0);
    emit config_settings_changed(activeConfig);

    settingsStore.setValue(activeProfileKey, name);
    syncStore();
    return activeConfig;
}

void ConfigSettings::selectProfile(const QString &name)
{
    for (int k = 0; k < profiles.size(); ++k) {
        if (profiles.at(k).profileName == name) {
            makeActive(k);
            settingsStore.setValue(activeProfileKey, name);
            syncStore();
            return;
        }
    }
}

bool ConfigSettings::saveProfile(const CONFIG_SETTINGS &config)
{
    const CONFIG_SETTINGS saved = withTimingsInRange(config);
    const int index = indexOfStored(saved.profileName);
    if (index > 0) {
        profiles[index] = saved;
        writeProfile(saved, index - 1);
    } else {
        profiles.append(saved);
        writeProfile(saved, profiles.size() - 2);
    }
    const bool written = syncStore();
    activeConfig = saved;
    emit config_settings_changed(activeConfig);
    return written;
}

bool ConfigSettings::removeProfile(const QString &name)
{
    const int index = indexOfStored(name);
    if (index > 0)
        profiles.removeAt(index);
    makeActive(0);

    const bool showSplash = settingsStore.value(showSplashKey, true).toBool();
    settingsStore.clear();
    settingsStore.setValue(showSplashKey, showSplash);
    for (int k = 1; k < profiles.size(); ++k)
        writeProfile(profiles.at(k), k - 1);
    return syncStore();
}

void ConfigSettings::writeProfile(const CONFIG_SETTINGS &config, int storedIndex)
{
    settingsStore.beginWriteArray(profilesArray, int(profiles.size()) - 1);
    settingsStore.setArrayIndex(storedIndex);
    settingsStore.setValue(browserPathKey, config.browserPath);
    settingsStore.setValue(nameKey, config.profileName);
    for (const TimingField &range : timingFields)
        settingsStore.setValue(QLatin1String(range.key), config.*range.field);
    settingsStore.setValue(toolsPathKey, config.toolsPath);
    settingsStore.setValue(useDefaultBrowserKey, config.useDefaultBrowser);
    settingsStore.setValue(workingPathKey, config.workingPath);
    settingsStore.endArray();
}

// The stored count is only a claim: a damaged file naming millions of profiles
// would take seconds and gigabytes to fill in. Only the entries held are read.
QList<int> ConfigSettings::storedProfileIndices()
{
    const int count = settingsStore.beginReadArray(profilesArray);
    settingsStore.endArray();
    settingsStore.beginGroup(profilesArray);
    const QStringList groups = settingsStore.childGroups();
    settingsStore.endGroup();
    QList<int> indices;
    for (const QString &group : groups) {
        bool ok = false;
        const int number = group.toInt(&ok);
        if (ok && number >= 1 && number <= count)
            indices.append(number - 1);
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (indices.size() < count)
        qWarning() << "The settings name" << count << "profiles and hold" << indices.size();
    return indices;
}

void ConfigSettings::loadStoredProfiles(const QString &activeName)
{
    const QList<int> indices = storedProfileIndices();
    settingsStore.beginReadArray(profilesArray);
    for (const int k : indices) {
        settingsStore.setArrayIndex(k);
        profiles.append(readStoredProfile());
        // A later profile of the same name wins.
        if (profiles.last().profileName == activeName) {
            activeIndex = int(profiles.size()) - 1;
            activeConfig = profiles.last();
        }
    }
    settingsStore.endArray();
}

CONFIG_SETTINGS ConfigSettings::readStoredProfile() const
{
    // Starts from the built-in profile, whose working directory and filter are already in place.
    CONFIG_SETTINGS config = profiles.first();
    config.profileName = settingsStore.value(nameKey, unnamedProfileName).toString();
    config.browserPath = settingsStore.value(browserPathKey, config.browserPath).toString();
    config.toolsPath = settingsStore.value(toolsPathKey, config.toolsPath).toString();
    config.workingPath = settingsStore.value(workingPathKey, config.workingPath).toString();
    config.useDefaultBrowser = settingsStore.value(useDefaultBrowserKey, config.useDefaultBrowser).toBool();
    for (const TimingField &range : timingFields) {
        config.*range.field = readTiming(QLatin1String(range.key), config.*range.field,
                                         range.minimum, range.maximum);
    }
    return config;
}

int ConfigSettings::readTiming(const QString &key, int fallback, int minimum, int maximum) const
{
    if (!settingsStore.contains(key))
        return fallback;
    const QVariant stored = settingsStore.value(key);
    bool ok = false;
    const qlonglong value = stored.toLongLong(&ok);
    if (!ok) {
        qWarning() << "Settings value" << key << "is not a number, using" << fallback << "instead of" << stored;
        return fallback;
    }
    const int bounded = int(qBound(qlonglong(minimum), value, qlonglong(maximum)));
    if (bounded != value)
        qWarning() << "Settings value" << key << "out of range, limited from" << value << "to" << bounded;
    return bounded;
}

int ConfigSettings::indexOfStored(const QString &name) const
{
    for (int k = 1; k < profiles.size(); ++k) {
        if (profiles.at(k).profileName == name)
            return k;
    }
    return -1;
}

void ConfigSettings::makeActive(int index)
{
    activeIndex = index;
    activeConfig = profiles.at(index);
    emit config_settings_changed(activeConfig);
}

bool ConfigSettings::syncStore()
{
    settingsStore.sync();
    // A format error is sticky from reading; only an access error means the write failed.
    if (settingsStore.status() != QSettings::AccessError)
        return true;
    qCritical() << "The settings could not be saved to" << settingsStore.fileName();
    emit storeWriteFailed(settingsStore.fileName());
    return false;
}
