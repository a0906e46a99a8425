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

// Each timing within its range, and the lost timeout long enough for the ping
// interval. Twice the longest ping interval lies inside the lost timeout's range.
CONFIG_SETTINGS withSoundTimings(CONFIG_SETTINGS config)
{
    for (const TimingField &range : timingFields) {
        int &value = config.*range.field;
        const int bounded = qBound(range.minimum, value, range.maximum);
        if (bounded != value) {
            qWarning() << "Settings value" << range.key << "out of range, limited from" << value << "to" << bounded;
            value = bounded;
        }
    }
    const int least = leastLostTimeout(config.pingInterval);
    if (config.timeoutToLost < least) {
        qWarning() << "Settings value timeout_to_lost of" << config.timeoutToLost
                   << "is shorter than twice ping_interval, raised to" << least;
        config.timeoutToLost = least;
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

int leastLostTimeout(int pingInterval)
{
    return 2 * pingInterval;
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
    , activeIndex(0)
{
    registerAxMetaTypes();
    QSettings store(organisationName, applicationName);
    const QString activeName = store.value(activeProfileKey, defaultProfileName).toString();
    if (store.status() != QSettings::NoError)
        qWarning() << "The settings store could not be read in full:" << store.fileName();

    bool workingPathReady = true;
    profiles.append(CONFIG_SETTINGS::newProfile(&workingPathReady));
    if (!workingPathReady)
        uncreatedWorkingPath = profiles.first().workingPath;
    activeConfig = profiles.first();
    loadStoredProfiles(store, activeName);
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

    writeStore([&name](QSettings &store) { store.setValue(activeProfileKey, name); });
    return activeConfig;
}

void ConfigSettings::selectProfile(const QString &name)
{
    for (int k = 0; k < profiles.size(); ++k) {
        if (profiles.at(k).profileName == name) {
            makeActive(k);
            writeStore([&name](QSettings &store) { store.setValue(activeProfileKey, name); });
            return;
        }
    }
}

bool ConfigSettings::saveProfile(const CONFIG_SETTINGS &config)
{
    const CONFIG_SETTINGS saved = withSoundTimings(config);
    const int index = indexOfStored(saved.profileName);
    if (index > 0)
        profiles[index] = saved;
    else
        profiles.append(saved);
    // Every profile, not just this one: after a write that failed the store
    // catches up with the run instead of keeping a gap in its list.
    const bool written = writeStore([this](QSettings &store) { writeStoredProfiles(store); });
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

    return writeStore([this](QSettings &store) {
        const bool showSplash = store.value(showSplashKey, true).toBool();
        store.clear();
        store.setValue(showSplashKey, showSplash);
        writeStoredProfiles(store);
    });
}

void ConfigSettings::writeStoredProfiles(QSettings &store) const
{
    for (int k = 1; k < profiles.size(); ++k)
        writeProfileTo(store, profiles.at(k), k - 1);
}

void ConfigSettings::writeProfile(const CONFIG_SETTINGS &config, int storedIndex)
{
    // Past the end the stored size would not count it, and the next start would not read it.
    if (storedIndex < 0 || storedIndex >= profiles.size() - 1) {
        qWarning() << "Settings profile" << config.profileName << "not written: no stored place" << storedIndex;
        return;
    }
    writeStore([&](QSettings &store) { writeProfileTo(store, config, storedIndex); });
}

void ConfigSettings::writeProfileTo(QSettings &store, const CONFIG_SETTINGS &config, int storedIndex) const
{
    store.beginWriteArray(profilesArray, int(profiles.size()) - 1);
    store.setArrayIndex(storedIndex);
    store.setValue(browserPathKey, config.browserPath);
    store.setValue(nameKey, config.profileName);
    for (const TimingField &range : timingFields)
        store.setValue(QLatin1String(range.key), config.*range.field);
    store.setValue(toolsPathKey, config.toolsPath);
    store.setValue(useDefaultBrowserKey, config.useDefaultBrowser);
    store.setValue(workingPathKey, config.workingPath);
    store.endArray();
}

// The stored count is only a claim: a damaged file naming millions of profiles
// would take seconds and gigabytes to fill in. Only the entries held are read.
QList<int> ConfigSettings::storedProfileIndices(QSettings &store)
{
    const int count = store.beginReadArray(profilesArray);
    store.endArray();
    store.beginGroup(profilesArray);
    const QStringList groups = store.childGroups();
    store.endGroup();
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

void ConfigSettings::loadStoredProfiles(QSettings &store, const QString &activeName)
{
    const QList<int> indices = storedProfileIndices(store);
    store.beginReadArray(profilesArray);
    for (const int k : indices) {
        store.setArrayIndex(k);
        profiles.append(readStoredProfile(store));
        // A later profile of the same name wins.
        if (profiles.last().profileName == activeName) {
            activeIndex = int(profiles.size()) - 1;
            activeConfig = profiles.last();
        }
    }
    store.endArray();
}

CONFIG_SETTINGS ConfigSettings::readStoredProfile(const QSettings &store) const
{
    // Starts from the built-in profile, whose working directory and filter are already in place.
    CONFIG_SETTINGS config = profiles.first();
    config.profileName = store.value(nameKey, unnamedProfileName).toString();
    config.browserPath = store.value(browserPathKey, config.browserPath).toString();
    config.toolsPath = store.value(toolsPathKey, config.toolsPath).toString();
    config.workingPath = store.value(workingPathKey, config.workingPath).toString();
    config.useDefaultBrowser = store.value(useDefaultBrowserKey, config.useDefaultBrowser).toBool();
    for (const TimingField &range : timingFields) {
        config.*range.field = readTiming(store, QLatin1String(range.key), config.*range.field,
                                         range.minimum, range.maximum);
    }
    return withSoundTimings(config);
}

int ConfigSettings::readTiming(const QSettings &store, const QString &key, int fallback, int minimum, int maximum)
{
    if (!store.contains(key))
        return fallback;
    const QVariant stored = store.value(key);
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

// A store opened for this write alone: QSettings keeps an access error once it
// has had one, so a store made writable again would fail every later write.
bool ConfigSettings::writeStore(const std::function<void(QSettings &)> &write)
{
    QSettings store(organisationName, applicationName);
    write(store);
    store.sync();
    // A format error is sticky from reading; only an access error means the write failed.
    if (store.status() != QSettings::AccessError)
        return true;
    qCritical() << "The settings could not be saved to" << store.fileName();
    emit storeWriteFailed(store.fileName());
    return false;
}
