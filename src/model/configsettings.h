#ifndef CONFIGSETTINGS_H
#define CONFIGSETTINGS_H

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>

// One settings profile, copied by value.
struct CONFIG_SETTINGS
{
    // The default values only: no folder is made and no file is read, so a
    // default-constructed value (e.g. by the meta-type system) has no side effects.
    CONFIG_SETTINGS();

    // A new profile as the toolbox makes one: the default values, the default
    // working directory created when missing (a warning when that fails) and the
    // platform filter read from "filter.ini" in the current directory.
    static CONFIG_SETTINGS newProfile();

    QString profileName;
    QString workingPath;
    QString toolsPath;
    bool useDefaultBrowser;
    QString browserPath;
    int timeoutToLost;          // ms
    int lostIndicatorPeriod;    // s
    int newIndicatorPeriod;     // s
    int pingInterval;           // ms
    QStringList platformFilter; // platform-name parts; not stored with the profile
};

Q_DECLARE_METATYPE(CONFIG_SETTINGS)

// The named settings profiles of the settings store "Ardentix"/"Toolbox".
// Position 0 is the built-in "Default", which is never stored.
class ConfigSettings : public QObject
{
    Q_OBJECT

public:
    explicit ConfigSettings(QObject *parent = nullptr);

    // Stays valid for the object's life and sees every change of the active profile.
    const CONFIG_SETTINGS *currentConfig() const;

    QStringList profileNames() const;
    CONFIG_SETTINGS activeProfile() const;
    CONFIG_SETTINGS profile(const QString &name) const;

    CONFIG_SETTINGS activateProfile(const QString &name);
    void selectProfile(const QString &name);
    void saveProfile(const CONFIG_SETTINGS &config);
    void removeProfile(const QString &name);
    void writeProfile(const CONFIG_SETTINGS &config, int storedIndex);

signals:
    void config_settings_changed(const CONFIG_SETTINGS &config);

private:
    void loadStoredProfiles(const QString &activeName);
    CONFIG_SETTINGS readStoredProfile() const;
    int readTiming(const QString &key, int fallback, int minimum, int maximum) const;
    int indexOfStored(const QString &name) const;
    void makeActive(int index);
    void syncStore();

    QList<CONFIG_SETTINGS> profiles;
    CONFIG_SETTINGS activeConfig;
    QSettings settingsStore;
    int activeIndex;
};

#endif // CONFIGSETTINGS_H
