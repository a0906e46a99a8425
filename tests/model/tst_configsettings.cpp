#include "messagelog.h"
#include "testsandbox.h"

#include "model/configsettings.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

// Writes stored profiles straight into the settings store, as an earlier run left them.
void storeProfiles(const QList<QVariantMap> &elements, const QString &activeName = QString())
{
    QSettings store("Ardentix", "Toolbox");
    store.beginWriteArray("settings_profiles", int(elements.size()));
    for (int k = 0; k < elements.size(); ++k) {
        store.setArrayIndex(k);
        for (auto it = elements.at(k).cbegin(); it != elements.at(k).cend(); ++it)
            store.setValue(it.key(), it.value());
    }
    store.endArray();
    if (!activeName.isNull())
        store.setValue("active_settings_profile", activeName);
}

QStringList storedNames()
{
    QSettings store("Ardentix", "Toolbox");
    QStringList names;
    const int count = store.beginReadArray("settings_profiles");
    for (int k = 0; k < count; ++k) {
        store.setArrayIndex(k);
        names << store.value("settings_profile_name").toString();
    }
    store.endArray();
    return names;
}

CONFIG_SETTINGS plantProfile(const QString &name, int pingInterval)
{
    CONFIG_SETTINGS config;
    config.profileName = name;
    config.workingPath = "/data/" + name;
    config.toolsPath = "/opt/tools/" + name;
    config.useDefaultBrowser = false;
    config.browserPath = "/usr/bin/browser";
    config.timeoutToLost = 6000;
    config.lostIndicatorPeriod = 60;
    config.newIndicatorPeriod = 10;
    config.pingInterval = pingInterval;
    return config;
}

void compareStoredFields(const CONFIG_SETTINGS &actual, const CONFIG_SETTINGS &expected)
{
    QCOMPARE(actual.profileName, expected.profileName);
    QCOMPARE(actual.workingPath, expected.workingPath);
    QCOMPARE(actual.toolsPath, expected.toolsPath);
    QCOMPARE(actual.useDefaultBrowser, expected.useDefaultBrowser);
    QCOMPARE(actual.browserPath, expected.browserPath);
    QCOMPARE(actual.timeoutToLost, expected.timeoutToLost);
    QCOMPARE(actual.lostIndicatorPeriod, expected.lostIndicatorPeriod);
    QCOMPARE(actual.newIndicatorPeriod, expected.newIndicatorPeriod);
    QCOMPARE(actual.pingInterval, expected.pingInterval);
}

void writeFile(const QString &name, const QByteArray &contents)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

} // namespace

class TestConfigSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyStoreGivesBuiltInDefault();
    void defaultValueHasNoSideEffects();
    void uncreatableWorkingDirectoryIsReported();

    void savedProfilesReadBackAtNextStart();
    void storedProfileWithoutName();
    void profileCountBoundByEntriesHeld();
    void activeProfileAtStart_data();
    void activeProfileAtStart();
    void damagedStoreStillStarts();
    void unwritableStoreIsReported();

    void saveReplacesOrAppends();
    void saveLeavesActiveIndex();
    void activateKnownProfile();
    void activateUnknownProfile();
    void selectProfileAndLookUp();
    void removeMiddleOfThree();
    void removeUnknownReturnsToDefault();
    void renameBySavingAndRemoving();

    void timingValuesLimitedOnLoad_data();
    void timingValuesLimitedOnLoad();
    void timingValuesLimitedOnSave();

    void platformFilterFile_data();
    void platformFilterFile();

private:
    std::unique_ptr<TestSandbox> m_sandbox;
};

void TestConfigSettings::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
}

void TestConfigSettings::cleanup()
{
    m_sandbox.reset();
}

void TestConfigSettings::emptyStoreGivesBuiltInDefault()
{
    ConfigSettings settings;
    QCOMPARE(settings.profileNames(), QStringList{"Default"});

    const CONFIG_SETTINGS active = settings.activeProfile();
    const QString here = QDir::currentPath();
    QCOMPARE(active.profileName, QStringLiteral("Default"));
    QCOMPARE(active.workingPath, here + "/Config");
    QCOMPARE(active.toolsPath, here + "/bin");
    QVERIFY(active.useDefaultBrowser);
    QVERIFY(active.browserPath.isEmpty());
    QCOMPARE(active.timeoutToLost, 6000);
    QCOMPARE(active.lostIndicatorPeriod, 30);
    QCOMPARE(active.newIndicatorPeriod, 20);
    QCOMPARE(active.pingInterval, 1500);
    QCOMPARE(active.platformFilter, QStringList{QString()});
    compareStoredFields(*settings.currentConfig(), active);

    QVERIFY(QDir(here + "/Config").exists());
}

void TestConfigSettings::defaultValueHasNoSideEffects()
{
    writeFile("filter.ini", "platform_name_includes=AX-K700\n");
    // Made by the meta-type system, as a QVariant of another type does when asked for one.
    const CONFIG_SETTINGS fromVariant = QVariant(42).value<CONFIG_SETTINGS>();
    void *created = QMetaType::fromType<CONFIG_SETTINGS>().create();
    QMetaType::fromType<CONFIG_SETTINGS>().destroy(created);

    QVERIFY(!QDir("Config").exists());
    QCOMPARE(fromVariant.pingInterval, 1500);
    QVERIFY(fromVariant.platformFilter.isEmpty());

    const CONFIG_SETTINGS made = CONFIG_SETTINGS::newProfile();
    QVERIFY(QDir("Config").exists());
    QCOMPARE(made.platformFilter, QStringList{"AX-K700"});
}

void TestConfigSettings::uncreatableWorkingDirectoryIsReported()
{
    writeFile("Config", "a file where the folder should be");
    MessageLog log;
    bool ready = true;
    const CONFIG_SETTINGS config = CONFIG_SETTINGS::newProfile(&ready);
    QVERIFY(!ready);
    QCOMPARE(config.workingPath, QDir::currentPath() + "/Config");
    QVERIFY(log.contains("Unable to create the default working directory"));

    // The settings keep it for whoever shows the warning once the windows exist.
    ConfigSettings settings;
    QCOMPARE(settings.uncreatedWorkingDirectory(), QDir::currentPath() + "/Config");
    QVERIFY(QFile::remove("Config"));
    QVERIFY(ConfigSettings().uncreatedWorkingDirectory().isEmpty());
}

void TestConfigSettings::savedProfilesReadBackAtNextStart()
{
    const CONFIG_SETTINGS plantA = plantProfile("Plant A", 2500);
    const CONFIG_SETTINGS plantB = plantProfile("Plant B", 900);
    {
        ConfigSettings settings;
        settings.saveProfile(plantA);
        settings.saveProfile(plantB);
        settings.activateProfile("Plant B");
    }
    ConfigSettings settings;
    QCOMPARE(settings.profileNames(), (QStringList{"Default", "Plant A", "Plant B"}));
    compareStoredFields(settings.profile("Plant A"), plantA);
    compareStoredFields(settings.activeProfile(), plantB);
    compareStoredFields(*settings.currentConfig(), plantB);
}

void TestConfigSettings::storedProfileWithoutName()
{
    storeProfiles({{{"ping_interval", 700}}});
    ConfigSettings settings;
    QCOMPARE(settings.profileNames(), (QStringList{"Default", "temp_config.config_name"}));
    const CONFIG_SETTINGS unnamed = settings.profile("temp_config.config_name");
    QCOMPARE(unnamed.pingInterval, 700);
    QCOMPARE(unnamed.timeoutToLost, 6000);
    QCOMPARE(unnamed.workingPath, QDir::currentPath() + "/Config");
}

// A count of millions with a few entries held: only those are read, in order, at once.
void TestConfigSettings::profileCountBoundByEntriesHeld()
{
    storeProfiles({{{"settings_profile_name", "Plant A"}}, {{"settings_profile_name", "Plant B"}}}, "Plant C");
    {
        QSettings store("Ardentix", "Toolbox");
        store.setValue("settings_profiles/size", 4000000);
        store.setValue("settings_profiles/700/settings_profile_name", "Plant C");
    }
    MessageLog log;
    ConfigSettings settings;
    QCOMPARE(settings.profileNames(), (QStringList{"Default", "Plant A", "Plant B", "Plant C"}));
    QCOMPARE(settings.activeProfile().profileName, QStringLiteral("Plant C"));
    QVERIFY(log.contains("name 4000000 profiles and hold 3"));
}

void TestConfigSettings::activeProfileAtStart_data()
{
    QTest::addColumn<QString>("activeName");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<int>("expectedPing");
    QTest::newRow("no active key means Default") << QString() << "Default" << 4000;
    QTest::newRow("active name not stored") << "Gone" << "Default" << 1500;
    QTest::newRow("later of two with the name") << "Twice" << "Twice" << 300;
    QTest::newRow("stored Default beats built-in") << "Default" << "Default" << 4000;
    QTest::newRow("case-sensitive") << "twice" << "Default" << 1500;
}

void TestConfigSettings::activeProfileAtStart()
{
    QFETCH(QString, activeName);
    storeProfiles({{{"settings_profile_name", "Twice"}, {"ping_interval", 200}},
                   {{"settings_profile_name", "Default"}, {"ping_interval", 4000}},
                   {{"settings_profile_name", "Twice"}, {"ping_interval", 300}}},
                  activeName);
    ConfigSettings settings;
    QTEST(settings.activeProfile().profileName, "expectedName");
    QTEST(settings.activeProfile().pingInterval, "expectedPing");
    QTEST(settings.currentConfig()->pingInterval, "expectedPing");
}

void TestConfigSettings::damagedStoreStillStarts()
{
    const QString storeFile = QSettings("Ardentix", "Toolbox").fileName();
    QVERIFY(QDir().mkpath(QFileInfo(storeFile).path()));
    writeFile(storeFile, "[General\nactive_settings_profile=Plant\n\x01\x02=\xff\xfe\n");

    MessageLog log;
    ConfigSettings settings;
    QVERIFY(log.contains("could not be read in full"));
    QCOMPARE(settings.profileNames().first(), QStringLiteral("Default"));

    settings.saveProfile(plantProfile("Plant", 2000));
    QCOMPARE(storedNames(), QStringList{"Plant"});
}

void TestConfigSettings::unwritableStoreIsReported()
{
    // A folder where the store's file should be: nothing can be written there.
    const QString storeFile = QSettings("Ardentix", "Toolbox").fileName();
    QVERIFY(QDir().mkpath(storeFile));
    ConfigSettings settings;
    QSignalSpy failed(&settings, &ConfigSettings::storeWriteFailed);
    QSignalSpy changed(&settings, &ConfigSettings::config_settings_changed);

    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("could not be saved"));
    QVERIFY(!settings.saveProfile(plantProfile("Plant", 2000)));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().toString(), storeFile);
    // The run goes on with it.
    QCOMPARE(changed.count(), 1);
    QCOMPARE(settings.currentConfig()->profileName, QStringLiteral("Plant"));

    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("could not be saved"));
    QVERIFY(!settings.removeProfile("Plant"));
    QCOMPARE(failed.count(), 2);

    // Made writable again: the next save is told by its own result, and the store
    // takes what the failed writes left out as well.
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("could not be saved"));
    QVERIFY(!settings.saveProfile(plantProfile("Plant A", 2000)));
    QVERIFY(QDir().rmdir(storeFile));
    QVERIFY(settings.saveProfile(plantProfile("Plant B", 2100)));
    QCOMPARE(failed.count(), 3);
    QCOMPARE(ConfigSettings().profileNames(), (QStringList{"Default", "Plant A", "Plant B"}));
}

void TestConfigSettings::saveReplacesOrAppends()
{
    ConfigSettings settings;
    settings.saveProfile(plantProfile("Plant A", 2000));
    settings.saveProfile(plantProfile("Plant B", 2100));
    settings.saveProfile(plantProfile("Plant A", 2200));
    QCOMPARE(settings.profileNames(), (QStringList{"Default", "Plant A", "Plant B"}));
    QCOMPARE(settings.profile("Plant A").pingInterval, 2200);
    QCOMPARE(storedNames(), (QStringList{"Plant A", "Plant B"}));

    // A stored "Default" goes beside the built-in one, which is never replaced.
    settings.saveProfile(plantProfile("Default", 2300));
    QCOMPARE(settings.profileNames(), (QStringList{"Default", "Plant A", "Plant B", "Default"}));
    QCOMPARE(settings.profile("Default").pingInterval, 1500);
    QCOMPARE(storedNames(), (QStringList{"Plant A", "Plant B", "Default"}));

    // One element written at its place; none past the stored ones.
    settings.writeProfile(plantProfile("Plant C", 2400), 1);
    MessageLog log;
    settings.writeProfile(plantProfile("Plant D", 2500), 3);
    QVERIFY(log.contains("Plant D"));
    QCOMPARE(storedNames(), (QStringList{"Plant A", "Plant C", "Default"}));
}

void TestConfigSettings::saveLeavesActiveIndex()
{
    ConfigSettings settings;
    const CONFIG_SETTINGS *current = settings.currentConfig();
    QSignalSpy changed(&settings, &ConfigSettings::config_settings_changed);
    settings.saveProfile(plantProfile("Plant A", 2000));

    QCOMPARE(changed.count(), 1);
    compareStoredFields(changed.first().first().value<CONFIG_SETTINGS>(), plantProfile("Plant A", 2000));
    QCOMPARE(settings.currentConfig(), current);
    QCOMPARE(current->profileName, QStringLiteral("Plant A"));
    QCOMPARE(settings.activeProfile().profileName, QStringLiteral("Default"));

    QSettings store("Ardentix", "Toolbox");
    QVERIFY(!store.contains("active_settings_profile"));
}

void TestConfigSettings::activateKnownProfile()
{
    ConfigSettings settings;
    settings.saveProfile(plantProfile("Plant A", 2000));
    settings.saveProfile(plantProfile("Plant B", 2100));
    QSignalSpy changed(&settings, &ConfigSettings::config_settings_changed);

    QTest::ignoreMessage(QtDebugMsg, " Activate condig:  \"Plant A\"");
    const CONFIG_SETTINGS result = settings.activateProfile("Plant A");
    QCOMPARE(result.pingInterval, 2000);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().value<CONFIG_SETTINGS>().profileName, QStringLiteral("Plant A"));
    QCOMPARE(settings.activeProfile().profileName, QStringLiteral("Plant A"));
    QCOMPARE(settings.currentConfig()->pingInterval, 2000);
    QCOMPARE(QSettings("Ardentix", "Toolbox").value("active_settings_profile").toString(), QStringLiteral("Plant A"));
}

void TestConfigSettings::activateUnknownProfile()
{
    {
        ConfigSettings settings;
        settings.saveProfile(plantProfile("Plant A", 2000));
        settings.activateProfile("Plant A");
        QSignalSpy changed(&settings, &ConfigSettings::config_settings_changed);

        const CONFIG_SETTINGS result = settings.activateProfile("Nowhere");
        QCOMPARE(result.profileName, QStringLiteral("Default"));
        QCOMPARE(result.pingInterval, 1500);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(settings.currentConfig()->profileName, QStringLiteral("Default"));
        // The index stays where it was.
        QCOMPARE(settings.activeProfile().profileName, QStringLiteral("Plant A"));
        QCOMPARE(QSettings("Ardentix", "Toolbox").value("active_settings_profile").toString(),
                 QStringLiteral("Nowhere"));
    }
    ConfigSettings settings;
    QCOMPARE(settings.activeProfile().profileName, QStringLiteral("Default"));
}

void TestConfigSettings::selectProfileAndLookUp()
{
    ConfigSettings settings;
    settings.saveProfile(plantProfile("Plant A", 2000));
    QSignalSpy changed(&settings, &ConfigSettings::config_settings_changed);

    settings.selectProfile("Nowhere");
    QCOMPARE(changed.count(), 0);
    QVERIFY(!QSettings("Ardentix", "Toolbox").contains("active_settings_profile"));

    settings.selectProfile("Plant A");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(settings.activeProfile().pingInterval, 2000);
    QCOMPARE(QSettings("Ardentix", "Toolbox").value("active_settings_profile").toString(), QStringLiteral("Plant A"));

    QCOMPARE(settings.profile("Nowhere").profileName, QStringLiteral("Default"));
    QCOMPARE(settings.profile("Nowhere").pingInterval, 1500);
}

void TestConfigSettings::removeMiddleOfThree()
{
    {
        QSettings store("Ardentix", "Toolbox");
        store.setValue("show_splash", false);
    }
    ConfigSettings settings;
    settings.saveProfile(plantProfile("First", 2000));
    settings.saveProfile(plantProfile("Second", 2100));
    settings.saveProfile(plantProfile("Third", 2200));
    settings.activateProfile("Second");
    QSignalSpy changed(&settings, &ConfigSettings::config_settings_changed);

    settings.removeProfile("Second");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().value<CONFIG_SETTINGS>().profileName, QStringLiteral("Default"));
    QCOMPARE(settings.profileNames(), (QStringList{"Default", "First", "Third"}));
    QCOMPARE(settings.activeProfile().profileName, QStringLiteral("Default"));

    QSettings store("Ardentix", "Toolbox");
    QCOMPARE(store.childKeys(), QStringList{"show_splash"});
    QCOMPARE(store.value("show_splash").toBool(), false);
    QCOMPARE(storedNames(), (QStringList{"First", "Third"}));

    ConfigSettings restarted;
    QCOMPARE(restarted.profileNames(), (QStringList{"Default", "First", "Third"}));
    compareStoredFields(restarted.profile("Third"), plantProfile("Third", 2200));
    QCOMPARE(restarted.activeProfile().profileName, QStringLiteral("Default"));
}

void TestConfigSettings::removeUnknownReturnsToDefault()
{
    ConfigSettings settings;
    settings.saveProfile(plantProfile("Plant A", 2000));
    settings.activateProfile("Plant A");
    QSignalSpy changed(&settings, &ConfigSettings::config_settings_changed);

    settings.removeProfile("Default");
    settings.removeProfile("Nowhere");
    QCOMPARE(changed.count(), 2);
    QCOMPARE(settings.profileNames(), (QStringList{"Default", "Plant A"}));
    QCOMPARE(settings.activeProfile().profileName, QStringLiteral("Default"));
    QCOMPARE(storedNames(), QStringList{"Plant A"});
    QCOMPARE(QSettings("Ardentix", "Toolbox").value("show_splash").toBool(), true);
}

void TestConfigSettings::renameBySavingAndRemoving()
{
    {
        ConfigSettings settings;
        settings.saveProfile(plantProfile("Old name", 2000));
        settings.saveProfile(plantProfile("Other", 2100));
        CONFIG_SETTINGS renamed = settings.profile("Old name");
        renamed.profileName = "New name";
        settings.saveProfile(renamed);
        settings.removeProfile("Old name");
        settings.activateProfile("New name");
    }
    ConfigSettings settings;
    QCOMPARE(settings.profileNames(), (QStringList{"Default", "Other", "New name"}));
    CONFIG_SETTINGS expected = plantProfile("Old name", 2000);
    expected.profileName = "New name";
    compareStoredFields(settings.activeProfile(), expected);
}

void TestConfigSettings::timingValuesLimitedOnLoad_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("logged");
    QTest::newRow("ping in range") << "ping_interval" << "250" << 250 << false;
    QTest::newRow("ping of 0") << "ping_interval" << "0" << 10 << true;
    QTest::newRow("ping not a number") << "ping_interval" << "fast" << 1500 << true;
    QTest::newRow("ping too slow") << "ping_interval" << "600000" << 10000 << true;
    // Shorter than twice the ping interval (1500 by default): raised to it.
    QTest::newRow("lost timeout negative") << "timeout_to_lost" << "-5" << 3000 << true;
    QTest::newRow("lost timeout just over the ping interval") << "timeout_to_lost" << "1501" << 3000 << true;
    QTest::newRow("lost timeout twice the ping interval") << "timeout_to_lost" << "3000" << 3000 << false;
    QTest::newRow("lost timeout at maximum") << "timeout_to_lost" << "30000" << 30000 << false;
    QTest::newRow("lost timeout too long") << "timeout_to_lost" << "30001" << 30000 << true;
    QTest::newRow("offline period would overflow in ms") << "lost_indicator_period" << "2147484" << 300 << true;
    QTest::newRow("offline period beyond int") << "lost_indicator_period" << "99999999999" << 300 << true;
    QTest::newRow("offline period empty") << "lost_indicator_period" << "" << 30 << true;
    QTest::newRow("new period zero") << "new_indicator_period" << "0" << 0 << false;
    QTest::newRow("new period fraction") << "new_indicator_period" << "1.5" << 20 << true;
}

void TestConfigSettings::timingValuesLimitedOnLoad()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(int, expected);
    QFETCH(bool, logged);
    storeProfiles({{{"settings_profile_name", "Plant"}, {key, stored}}}, "Plant");

    MessageLog log;
    ConfigSettings settings;
    const CONFIG_SETTINGS active = settings.activeProfile();
    const QMap<QString, int> values{{"ping_interval", active.pingInterval},
                                    {"timeout_to_lost", active.timeoutToLost},
                                    {"lost_indicator_period", active.lostIndicatorPeriod},
                                    {"new_indicator_period", active.newIndicatorPeriod}};
    QCOMPARE(values.value(key), expected);
    QCOMPARE(log.contains(key), logged);
}

void TestConfigSettings::timingValuesLimitedOnSave()
{
    ConfigSettings settings;
    CONFIG_SETTINGS config = plantProfile("Plant", 0);
    config.lostIndicatorPeriod = 5000000;
    MessageLog log;
    settings.saveProfile(config);
    QVERIFY(log.contains("ping_interval"));
    QVERIFY(log.contains("lost_indicator_period"));
    QCOMPARE(settings.currentConfig()->pingInterval, 10);
    QCOMPARE(settings.currentConfig()->lostIndicatorPeriod, 300);

    ConfigSettings restarted;
    QCOMPARE(restarted.profile("Plant").pingInterval, 10);
    QCOMPARE(restarted.profile("Plant").lostIndicatorPeriod, 300);
}

void TestConfigSettings::platformFilterFile_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("filter");
    QTest::addColumn<bool>("logged");
    const QStringList none{QString()};
    QTest::newRow("no file") << false << QByteArray() << none << false;
    QTest::newRow("no key") << true << QByteArray("[General]\nother=1\n") << none << false;
    QTest::newRow("empty value") << true << QByteArray("platform_name_includes=\n") << none << false;
    QTest::newRow("one part and ';'") << true << QByteArray("platform_name_includes=AX-K700;\n")
                                      << QStringList{"AX-K700", ""} << false;
    QTest::newRow("several parts") << true << QByteArray("[General]\r\nplatform_name_includes = AX-K700;Bridgelet;PC\r\n")
                                   << QStringList{"AX-K700", "Bridgelet", "PC"} << false;
    QTest::newRow("quoted, empty part kept") << true << QByteArray("platform_name_includes=\"AX;;CORE\"\n")
                                             << QStringList{"AX", "", "CORE"} << false;
    QTest::newRow("comma is text, case kept") << true << QByteArray("platform_name_includes=Chip+30,x;ax\n")
                                              << QStringList{"Chip+30,x", "ax"} << false;
    QTest::newRow("other section") << true << QByteArray("[Other]\nplatform_name_includes=AX\n") << none << false;
    QTest::newRow("not text") << true << QByteArray("platform_name_includes=AX\n\0\xff\xfe", 29) << none << true;
}

void TestConfigSettings::platformFilterFile()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, filter);
    QFETCH(bool, logged);
    if (present)
        writeFile("filter.ini", contents);

    MessageLog log;
    ConfigSettings settings;
    QCOMPARE(settings.activeProfile().platformFilter, filter);
    QCOMPARE(settings.currentConfig()->platformFilter, filter);
    QCOMPARE(log.contains("platform filter file"), logged);
}

QTEST_GUILESS_MAIN(TestConfigSettings)
#include "tst_configsettings.moc"
