#ifndef CONFIGSETTINGS_H
#define CONFIGSETTINGS_H

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <functional>

// One settings profile, copied by value.
struct CONFIG_SETTINGS
{
    // The default values only: no folder is made and no file is read, so a
    // default-constructed value (e.g. by the meta-type system) has no side effects.
    CONFIG_SETTINGS();

    // A new profile as the toolbox makes one: the default values, the default
    // working directory created when missing and the platform filter read from
    // "filter.ini" in the current directory. When the directory could not be
    // made, *workingPathReady turns false and the caller tells the user.
    static CONFIG_SETTINGS newProfile(bool *workingPathReady = nullptr);

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

// The values a timing field may take: stored profiles are held to it on load
// and on save, and the settings form offers no other.
struct TimingRange
{
    int minimum;
    int maximum;
};

TimingRange timingRange(int CONFIG_SETTINGS::*field);

// The shortest lost timeout a ping interval allows: an answer is due a whole
// interval after the last one, and the maintenance pass and the timers come on
// top, so a device is called lost only once it has missed an answer.
int leastLostTimeout(int pingInterval);

// Whether the welcome window opens at start-up: kept in the same store, apart
// from the profiles, and written at once by the windows that offer it.
bool readShowSplash();
void writeShowSplash(bool show);

// The named settings profiles of the settings store "Ardentix"/"Toolbox".
// Position 0 is the built-in "Default", which is never stored.
class ConfigSettings : public QObject
{
    Q_OBJECT

public:
    explicit ConfigSettings(QObject *parent = nullptr);

    // Stays valid for the object's life and sees every change of the active profile.
    const CONFIG_SETTINGS *currentConfig() const;

    // The default working directory when it could not be made at start, else empty.
    QString uncreatedWorkingDirectory() const;

    QStringList profileNames() const;
    CONFIG_SETTINGS activeProfile() const;
    CONFIG_SETTINGS profile(const QString &name) const;

    CONFIG_SETTINGS activateProfile(const QString &name);
    void selectProfile(const QString &name);
    // Both return false when the store could not be written (storeWriteFailed
    // is emitted too); the change holds in memory for this run.
    bool saveProfile(const CONFIG_SETTINGS &config);
    bool removeProfile(const QString &name);
    // Writes one profile at its place in the stored array, as the store's size
    // is now; a failed write is reported as the others are.
    void writeProfile(const CONFIG_SETTINGS &config, int storedIndex);

signals:
    void config_settings_changed(const CONFIG_SETTINGS &config);
    void storeWriteFailed(const QString &storeFileName);

private:
    void loadStoredProfiles(QSettings &store, const QString &activeName);
    static QList<int> storedProfileIndices(QSettings &store);
    CONFIG_SETTINGS readStoredProfile(const QSettings &store) const;
    static int readTiming(const QSettings &store, const QString &key, int fallback, int minimum, int maximum);
    void writeStoredProfiles(QSettings &store) const;
    void writeProfileTo(QSettings &store, const CONFIG_SETTINGS &config, int storedIndex) const;
    bool writeStore(const std::function<void(QSettings &)> &write);
    int indexOfStored(const QString &name) const;
    void makeActive(int index);

    QList<CONFIG_SETTINGS> profiles;
    CONFIG_SETTINGS activeConfig;
    int activeIndex;
    QString uncreatedWorkingPath;
};

#endif // CONFIGSETTINGS_H
