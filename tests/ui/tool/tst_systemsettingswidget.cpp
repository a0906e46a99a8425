#include "model/configsettings.h"
#include "ui/tool/systemsettingswidget.h"

#include "modalanswer.h"
#include "testfiles.h"
#include "testsandbox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

using Answer = std::function<void(QWidget *)>;

const QString kPlaceholder = QStringLiteral("Please select your prefered browser");

// Answers the modal dialogs to come, one after the other.
void answerInTurn(QList<Answer> answers)
{
    if (answers.isEmpty())
        return;
    const Answer first = answers.takeFirst();
    whenModalUp([first, answers](QWidget *dialog) {
        answerInTurn(answers);
        first(dialog);
    });
}

QVariant storedValue(const QString &profile, const QString &key)
{
    QSettings store("Ardentix", "Toolbox");
    const int count = store.beginReadArray("settings_profiles");
    QVariant value;
    for (int k = 0; k < count; ++k) {
        store.setArrayIndex(k);
        if (store.value("settings_profile_name").toString() == profile)
            value = store.value(key);
    }
    store.endArray();
    return value;
}

} // namespace

// The settings window on real settings files in the sandbox's store.
class tst_SystemSettingsWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensOnTheActiveProfile();
    void createdProfileSavesAndReadsBackAfterRestart();
    void newNameMustBeNew();
    void discardedEditsAndNewProfileAreGone();
    void saveRefusesBadPathsAndTimings();
    void unsavedEditsAskBeforeSwitching();
    void unsavedNewProfileAsksOnCloseAndNeverReachesTheStore();
    void removingTheLastShowsThePrevious();
    void failuresToWriteAreShown();

private:
    void open(RUN_MODE mode = RUN_MODE_ADVANCED);
    template<typename T> T *child(const QString &name) const;
    QString dir(const QString &name) const;
    void storePlant(const QString &name, int pingInterval);
    void createProfile(const QString &name, QList<Answer> before = {}, const QList<Answer> &after = {});
    Answer button(QMessageBox::StandardButton which);
    void pick(int steps);

    std::unique_ptr<TestSandbox> m_sandbox;
    std::unique_ptr<ConfigSettings> m_settings;
    std::unique_ptr<SystemSettingsWidget> m_window;
    // Title, a bar, then the text of every box answered.
    QStringList m_boxes;
};

void tst_SystemSettingsWidget::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
    m_boxes.clear();
}

void tst_SystemSettingsWidget::cleanup()
{
    m_window.reset();
    m_settings.reset();
    m_sandbox.reset();
}

void tst_SystemSettingsWidget::open(RUN_MODE mode)
{
    if (!m_settings)
        m_settings = std::make_unique<ConfigSettings>();
    m_window = std::make_unique<SystemSettingsWidget>(nullptr, m_settings.get(), mode);
    m_window->show();
}

template<typename T> T *tst_SystemSettingsWidget::child(const QString &name) const
{
    T *found = m_window->findChild<T *>(name);
    if (!found)
        qFatal("no %s in the settings window", qPrintable(name));
    return found;
}

QString tst_SystemSettingsWidget::dir(const QString &name) const
{
    QDir().mkpath(m_sandbox->filePath(name));
    return m_sandbox->filePath(name);
}

void tst_SystemSettingsWidget::storePlant(const QString &name, int pingInterval)
{
    QSettings store("Ardentix", "Toolbox");
    const int count = store.beginReadArray("settings_profiles");
    store.endArray();
    store.beginWriteArray("settings_profiles", count + 1);
    store.setArrayIndex(count);
    store.setValue("settings_profile_name", name);
    store.setValue("working_path", dir("work"));
    store.setValue("tools_path", dir("tools"));
    store.setValue("ping_interval", pingInterval);
    store.endArray();
}

Answer tst_SystemSettingsWidget::button(QMessageBox::StandardButton which)
{
    return [this, which](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        QVERIFY2(box, "a message box");
        m_boxes << box->windowTitle() + "|" + box->text();
        box->button(which)->click();
    };
}

// Create New, the name typed into its dialog, with the boxes before and after it answered.
void tst_SystemSettingsWidget::createProfile(const QString &name, QList<Answer> before, const QList<Answer> &after)
{
    before << [name](QWidget *dialog) {
        auto *input = qobject_cast<QInputDialog *>(dialog);
        QVERIFY2(input, "the name dialog");
        QCOMPARE(input->windowTitle(), QStringLiteral("New Configuration"));
        input->setTextValue(name);
        input->accept();
    };
    answerInTurn(before + after);
    QTest::mouseClick(child<QPushButton>("createNewConfigButton"), Qt::LeftButton);
}

// Moves the profile list by keyboard, as the user picks another entry.
void tst_SystemSettingsWidget::pick(int steps)
{
    auto *profiles = child<QComboBox>("configListComboBox");
    for (int k = 0; k < qAbs(steps); ++k)
        QTest::keyClick(profiles, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
}

void tst_SystemSettingsWidget::opensOnTheActiveProfile()
{
    open(RUN_MODE(0));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Toolbox Settings"));
    QCOMPARE(child<QComboBox>("configListComboBox")->currentText(), QStringLiteral("Default"));
    // "Default" is shown, not edited; a profile keeps its name.
    for (const char *name : {"basicFrame", "advancedFrame", "removeConfigButton", "saveConfigBuffon"})
        QVERIFY2(!child<QWidget>(name)->isEnabled(), name);
    QVERIFY(child<QWidget>("createNewConfigButton")->isEnabled());
    for (const char *name : {"configNameLabel", "configNameText", "renameSettingButton", "advancedFrame"})
        QVERIFY2(child<QWidget>(name)->isHidden(), name);

    // The welcome switch is stored at once, apart from the profiles.
    auto *welcome = child<QCheckBox>("welcomStartupCheckBox");
    QVERIFY(welcome->isChecked());
    welcome->click();
    QCOMPARE(QSettings("Ardentix", "Toolbox").value("show_splash"), QVariant(false));
    QVERIFY(!child<QWidget>("saveConfigBuffon")->isEnabled());

    // The timing group, in the modes that show it, holds each value to what the store keeps.
    open(RUN_MODE_SUBNET_PING);
    QVERIFY(!child<QWidget>("advancedFrame")->isHidden());
    const struct {
        const char *name;
        int CONFIG_SETTINGS::*field;
        int minimum, maximum, step, shown;
    } timings[] = {
        {"lostTimeSpinbox", &CONFIG_SETTINGS::timeoutToLost, 0, 30000, 100, 6000},
        {"offlineTimeSpinbox", &CONFIG_SETTINGS::lostIndicatorPeriod, 0, 300, 1, 30},
        {"newTimeSpinbox", &CONFIG_SETTINGS::newIndicatorPeriod, 0, 300, 1, 20},
        {"pingIntervalSpinBox", &CONFIG_SETTINGS::pingInterval, 10, 10000, 100, 1500},
    };
    for (const auto &timing : timings) {
        auto *spin = child<QSpinBox>(timing.name);
        QCOMPARE(spin->minimum(), timing.minimum);
        QCOMPARE(spin->maximum(), timing.maximum);
        QCOMPARE(timingRange(timing.field).minimum, timing.minimum);
        QCOMPARE(timingRange(timing.field).maximum, timing.maximum);
        QCOMPARE(spin->singleStep(), timing.step);
        QCOMPARE(spin->value(), timing.shown);
    }
}

void tst_SystemSettingsWidget::createdProfileSavesAndReadsBackAfterRestart()
{
    QFile filter("filter.ini");
    QVERIFY(filter.open(QIODevice::WriteOnly));
    filter.write("platform_name_includes=AX-K700\n");
    filter.close();
    const QString browser = m_sandbox->filePath("tools/browser");
    dir("tools");
    QVERIFY(writeRecordingProgram(browser, m_sandbox->filePath("browser.log")));
    open();
    QSignalSpy changed(m_settings.get(), &ConfigSettings::config_settings_changed);

    createProfile("Plant");
    QCOMPARE(child<QComboBox>("configListComboBox")->currentText(), QStringLiteral("Plant"));
    QVERIFY(child<QWidget>("basicFrame")->isEnabled());
    QVERIFY(child<QWidget>("saveConfigBuffon")->isEnabled());
    QVERIFY(changed.isEmpty());

    // Browse answers through the window's choosers, never a real file dialog.
    QStringList captions;
    m_window->setDirectoryChooser([&](QWidget *, const QString &caption, const QString &, QFileDialog::Options) {
        captions << caption;
        return dir(captions.size() == 1 ? "work" : "tools");
    });
    m_window->setFileChooser([&](QWidget *, const QString &caption, const QString &, const QString &) {
        captions << caption;
        return browser;
    });
    QTest::mouseClick(child<QPushButton>("changeWorkingDirButton"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("changeToolPathButton"), Qt::LeftButton);
    child<QCheckBox>("defaultBrowserCheckbox")->click();
    QCOMPARE(child<QLineEdit>("browserPathText")->text(), kPlaceholder);
    QTest::mouseClick(child<QPushButton>("selectBrowserButton"), Qt::LeftButton);
    QCOMPARE(captions, (QStringList{"Select the default working directory",
                                    "Select the directory containging the Ardentix tools", "Select Prefered Browser"}));
    QCOMPARE(child<QLineEdit>("workDirText")->text(), dir("work"));
    QCOMPARE(child<QLineEdit>("toolPathText")->text(), dir("tools"));
    QCOMPARE(child<QLineEdit>("browserPathText")->text(), browser);
    child<QSpinBox>("lostTimeSpinbox")->setValue(1700);
    child<QSpinBox>("offlineTimeSpinbox")->setValue(45);
    child<QSpinBox>("newTimeSpinbox")->setValue(12);
    child<QSpinBox>("pingIntervalSpinBox")->setValue(800);

    QTest::mouseClick(child<QPushButton>("saveConfigBuffon"), Qt::LeftButton);
    QVERIFY(m_boxes.isEmpty());
    QVERIFY(!child<QWidget>("saveConfigBuffon")->isEnabled());
    // Saved and made active: the program applies it at once, its platform filter kept.
    QCOMPARE(changed.size(), 2);
    const CONFIG_SETTINGS applied = changed.last().first().value<CONFIG_SETTINGS>();
    QCOMPARE(applied.profileName, QStringLiteral("Plant"));
    QCOMPARE(applied.pingInterval, 800);
    QCOMPARE(m_settings->currentConfig()->platformFilter, QStringList{"AX-K700"});

    m_window.reset();
    m_settings.reset();
    ConfigSettings restarted;
    const CONFIG_SETTINGS read = restarted.activeProfile();
    QCOMPARE(read.profileName, QStringLiteral("Plant"));
    QCOMPARE(read.workingPath, dir("work"));
    QCOMPARE(read.toolsPath, dir("tools"));
    QVERIFY(!read.useDefaultBrowser);
    QCOMPARE(read.browserPath, browser);
    QCOMPARE(read.timeoutToLost, 1700);
    QCOMPARE(read.lostIndicatorPeriod, 45);
    QCOMPARE(read.newIndicatorPeriod, 12);
    QCOMPARE(read.pingInterval, 800);
}

void tst_SystemSettingsWidget::newNameMustBeNew()
{
    storePlant("Plant A", 2000);
    open();
    auto *profiles = child<QComboBox>("configListComboBox");
    for (const QString &name : {QString("Default"), QString("Plant A"), QString()}) {
        createProfile(name, {}, {button(QMessageBox::Ok)});
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.takeFirst(), QStringLiteral("Invalid Configuration Name|  Please select a valid, new configuration name. "));
        QCOMPARE(profiles->count(), 2);
    }

    // Names differ by case.
    createProfile("default");
    QCOMPARE(profiles->currentText(), QStringLiteral("default"));
    QCOMPARE(profiles->count(), 3);
}

void tst_SystemSettingsWidget::discardedEditsAndNewProfileAreGone()
{
    storePlant("Plant A", 2000);
    QSettings("Ardentix", "Toolbox").setValue("active_settings_profile", "Plant A");
    open();
    auto *profiles = child<QComboBox>("configListComboBox");
    auto *ping = child<QSpinBox>("pingIntervalSpinBox");

    // A new profile discarded at the next Create New leaves its name free.
    createProfile("Plant");
    ping->setValue(700);
    createProfile("Plant", {button(QMessageBox::Discard)});
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes.takeFirst().startsWith("Save changes?|"));
    QCOMPARE(profiles->count(), 3);
    QCOMPARE(profiles->currentText(), QStringLiteral("Plant"));
    QCOMPARE(ping->value(), 1500);

    // Discarded and no name given: the active profile as stored.
    ping->setValue(700);
    answerInTurn({button(QMessageBox::Discard), [](QWidget *dialog) { qobject_cast<QDialog *>(dialog)->reject(); }});
    QTest::mouseClick(child<QPushButton>("createNewConfigButton"), Qt::LeftButton);
    QCOMPARE(profiles->count(), 2);
    QCOMPARE(profiles->currentText(), QStringLiteral("Plant A"));
    QCOMPARE(ping->value(), 2000);
    QVERIFY(!child<QWidget>("saveConfigBuffon")->isEnabled());
}

void tst_SystemSettingsWidget::saveRefusesBadPathsAndTimings()
{
    open();
    createProfile("Plant");
    auto *save = child<QPushButton>("saveConfigBuffon");
    auto *browser = child<QLineEdit>("browserPathText");
    const auto trySave = [&](const QString &expectedTitle) {
        if (!expectedTitle.isEmpty())
            answerInTurn({button(QMessageBox::Ok)});
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(m_boxes.isEmpty() ? QString() : m_boxes.takeFirst().section('|', 0, 0), expectedTitle);
        QCOMPARE(save->isEnabled(), !expectedTitle.isEmpty());
    };

    // The hint in the empty field is no browser.
    child<QCheckBox>("defaultBrowserCheckbox")->click();
    trySave("Invalid Browser Path");
    child<QCheckBox>("defaultBrowserCheckbox")->click();
    // The default tools folder, ./bin, does not exist here.
    trySave("Invalid Tools Path");
    child<QLineEdit>("toolPathText")->setText(QString());
    trySave("Invalid Tools Path");
    child<QLineEdit>("toolPathText")->setText(dir("tools"));
    child<QLineEdit>("workDirText")->setText(m_sandbox->filePath("nowhere"));
    trySave("Invalid Working Directory");
    // An empty working directory is the current one.
    child<QLineEdit>("workDirText")->setText(QString());
    // Lost before a missed answer: every device would flap.
    child<QSpinBox>("lostTimeSpinbox")->setValue(3999);
    child<QSpinBox>("pingIntervalSpinBox")->setValue(2000);
    trySave("Invalid Connection Lost Timeout");
    child<QSpinBox>("lostTimeSpinbox")->setValue(4000);
    trySave(QString());
    QCOMPARE(storedValue("Plant", "browser_path"), QVariant(QString()));
    QCOMPARE(storedValue("Plant", "working_path"), QVariant(QString()));

    // A browser must be a program: a folder or a plain file is refused.
    child<QCheckBox>("defaultBrowserCheckbox")->click();
    browser->setText(dir("tools"));
    trySave("Invalid Browser Path");
    QVERIFY(writeTestFile(m_sandbox->filePath("tools/readme"), "not a program"));
    browser->setText(m_sandbox->filePath("tools/readme"));
    trySave("Invalid Browser Path");
    QVERIFY(writeRecordingProgram(m_sandbox->filePath("tools/browser"), m_sandbox->filePath("browser.log")));
    browser->setText(m_sandbox->filePath("tools/browser"));
    trySave(QString());
    QCOMPARE(storedValue("Plant", "browser_path").toString(), m_sandbox->filePath("tools/browser"));
}

void tst_SystemSettingsWidget::unsavedEditsAskBeforeSwitching()
{
    storePlant("Plant A", 2000);
    storePlant("Plant B", 3000);
    QSettings("Ardentix", "Toolbox").setValue("active_settings_profile", "Plant A");
    open();
    auto *profiles = child<QComboBox>("configListComboBox");
    auto *ping = child<QSpinBox>("pingIntervalSpinBox");
    QCOMPARE(profiles->currentText(), QStringLiteral("Plant A"));
    ping->setValue(700);
    child<QLineEdit>("toolPathText")->setText(QString());

    // The save from the prompt fails: the switch is undone, the edits stay.
    answerInTurn({button(QMessageBox::Save), button(QMessageBox::Ok)});
    pick(1);
    QCOMPARE(m_boxes, (QStringList{"Save changes?|There are unsaved changes for configuration Plant A. Do you want "
                                   "to save these changes?",
                                   "Invalid Tools Path|  Please select a valid path to your Ardentix tools. "}));
    QCOMPARE(profiles->currentText(), QStringLiteral("Plant A"));
    QCOMPARE(ping->value(), 700);
    QVERIFY(child<QWidget>("saveConfigBuffon")->isEnabled());

    // Discarded: the other profile is shown and active, the first one as stored.
    answerInTurn({button(QMessageBox::Discard)});
    pick(1);
    QCOMPARE(profiles->currentText(), QStringLiteral("Plant B"));
    QCOMPARE(ping->value(), 3000);
    QCOMPARE(m_settings->currentConfig()->profileName, QStringLiteral("Plant B"));
    QCOMPARE(storedValue("Plant A", "ping_interval"), QVariant(2000));

    // A profile made here and left unsaved is dropped when the list is rebuilt; picking
    // it keeps the active profile rather than activating a name nothing is stored under.
    createProfile("Plant C");
    answerInTurn({button(QMessageBox::Discard)});
    emit profiles->textActivated("Plant C");
    QCOMPARE(profiles->currentText(), QStringLiteral("Plant B"));
    QCOMPARE(profiles->count(), 3);
    QCOMPARE(QSettings("Ardentix", "Toolbox").value("active_settings_profile").toString(), QStringLiteral("Plant B"));
}

void tst_SystemSettingsWidget::unsavedNewProfileAsksOnCloseAndNeverReachesTheStore()
{
    open();
    createProfile("Plant");
    child<QCheckBox>("welcomStartupCheckBox")->click();
    answerInTurn({button(QMessageBox::Discard)});
    QVERIFY(m_window->close());
    QCOMPARE(m_boxes, QStringList{"Save changes?|There are unsaved changes for configuration Plant. Do you want to "
                                  "save these changes?"});
    QCOMPARE(ConfigSettings().profileNames(), QStringList{"Default"});
    QCOMPARE(QSettings("Ardentix", "Toolbox").value("show_splash"), QVariant(false));

    // A close whose save fails keeps the window open.
    open();
    createProfile("Plant");
    child<QLineEdit>("toolPathText")->setText(QString());
    answerInTurn({button(QMessageBox::Save), button(QMessageBox::Ok)});
    QVERIFY(!m_window->close());
    QVERIFY(m_window->isVisible());
}

void tst_SystemSettingsWidget::removingTheLastShowsThePrevious()
{
    storePlant("Plant A", 2000);
    storePlant("Plant B", 3000);
    QSettings("Ardentix", "Toolbox").setValue("active_settings_profile", "Plant B");
    open();
    QTest::mouseClick(child<QPushButton>("removeConfigButton"), Qt::LeftButton);
    auto *profiles = child<QComboBox>("configListComboBox");
    QCOMPARE(profiles->count(), 2);
    QCOMPARE(profiles->currentText(), QStringLiteral("Plant A"));
    QCOMPARE(m_settings->currentConfig()->profileName, QStringLiteral("Plant A"));
    QCOMPARE(child<QSpinBox>("pingIntervalSpinBox")->value(), 2000);
    QVERIFY(!storedValue("Plant B", "ping_interval").isValid());

    // A save now stores the form under the entry shown.
    child<QSpinBox>("pingIntervalSpinBox")->setValue(2500);
    QTest::mouseClick(child<QPushButton>("saveConfigBuffon"), Qt::LeftButton);
    QCOMPARE(storedValue("Plant A", "ping_interval"), QVariant(2500));
    QCOMPARE(ConfigSettings().activeProfile().profileName, QStringLiteral("Plant A"));
}

void tst_SystemSettingsWidget::failuresToWriteAreShown()
{
    open();
    const auto shownBox = [this](const QString &title) -> QMessageBox * {
        for (auto *box : m_window->findChildren<QMessageBox *>())
            if (box->isVisible() && box->windowTitle() == title)
                return box;
        return nullptr;
    };

    // A new profile whose default working directory can't be made: it says so, without waiting.
    QDir("Config").removeRecursively();
    QVERIFY(writeTestFile("Config", "a file where the folder should be"));
    createProfile("Plant");
    QMessageBox *warning = shownBox("Error creating working directory");
    QVERIFY(warning);
    QCOMPARE(warning->text(), "The Toolbox was unable to create the default working directory:\n"
                                  + QDir::toNativeSeparators(QDir::currentPath() + "/Config"));

    // A store that can't be written: the save says so and stays to be done again.
    const QString storeFile = QSettings("Ardentix", "Toolbox").fileName();
    QFile::remove(storeFile);
    QVERIFY(QDir().mkpath(storeFile));
    child<QLineEdit>("workDirText")->setText(dir("work"));
    child<QLineEdit>("toolPathText")->setText(dir("tools"));
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("could not be saved"));
    QTest::mouseClick(child<QPushButton>("saveConfigBuffon"), Qt::LeftButton);
    QMessageBox *failure = shownBox("Settings not saved");
    QVERIFY(failure);
    QVERIFY(failure->text().contains(storeFile));
    QVERIFY(child<QWidget>("saveConfigBuffon")->isEnabled());
}

QTEST_MAIN(tst_SystemSettingsWidget)
#include "tst_systemsettingswidget.moc"
