#include "systemsettingswidget.h"
#include "ui_systemsettingswidget.h"

#include "ui/workingdirectorywarning.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

namespace {

const QString defaultProfileName = QStringLiteral("Default");

bool isExecutableFile(const QString &path)
{
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable();
}

// Where a file dialog opens: the folder the field names, else the user's home.
QString startDirectory(const QString &fieldText)
{
#ifdef Q_OS_WIN
    Q_UNUSED(fieldText);
    return QStringLiteral("C:/");
#else
    const QFileInfo named(QDir::fromNativeSeparators(fieldText));
    if (!fieldText.isEmpty() && named.isDir())
        return named.absoluteFilePath();
    if (!fieldText.isEmpty() && named.absoluteDir().exists())
        return named.absolutePath();
    return QDir::homePath();
#endif
}

} // namespace

SystemSettingsWidget::SystemSettingsWidget(QWidget *parent, ConfigSettings *configSettings, RUN_MODE runMode)
    : QWidget(parent)
    , ui(new Ui::SystemSettingsWidget)
    , configSettings(configSettings)
    , runMode(runMode)
    , chooseExistingDirectory(&QFileDialog::getExistingDirectory)
    , chooseFile([](QWidget *owner, const QString &caption, const QString &directory, const QString &filter) {
        return QFileDialog::getOpenFileName(owner, caption, directory, filter);
    })
    , activeIndex(0)
{
    ui->setupUi(this);
    ui->advancedFrame->setVisible(runMode & (RUN_MODE_ADVANCED | RUN_MODE_SUBNET_PING));
    // A profile keeps the name it was created with.
    ui->configNameLabel->hide();
    ui->configNameText->hide();
    ui->renameSettingButton->hide();
    setWindowTitle(tr("Toolbox Settings"));
    setWindowIcon(QIcon(QStringLiteral("./images/icon.ico")));
    for (const auto &timing : timingFields()) {
        const TimingRange range = timingRange(timing.second);
        timing.first->setRange(range.minimum, range.maximum);
    }

    showActiveProfile();
    ui->welcomStartupCheckBox->setChecked(readShowSplash());
    connect(configSettings, &ConfigSettings::storeWriteFailed, this, &SystemSettingsWidget::showStoreWriteFailure);
}

SystemSettingsWidget::~SystemSettingsWidget()
{
    qDebug("Destroying settings widget");
    delete ui;
}

void SystemSettingsWidget::setDirectoryChooser(const DirectoryChooser &chooser)
{
    chooseExistingDirectory = chooser;
}

void SystemSettingsWidget::setFileChooser(const FileChooser &chooser)
{
    chooseFile = chooser;
}

void SystemSettingsWidget::closeEvent(QCloseEvent *event)
{
    if (!ui->saveConfigBuffon->isEnabled() || prompt_for_save())
        event->accept();
    else
        event->ignore();
}

void SystemSettingsWidget::loadConfig(const CONFIG_SETTINGS &config)
{
    ui->configNameText->setText(config.profileName);
    ui->configNameText->setEnabled(false);
    ui->workDirText->setText(QDir::toNativeSeparators(config.workingPath));
    ui->toolPathText->setText(QDir::toNativeSeparators(config.toolsPath));
    ui->browserPathText->setText(QDir::toNativeSeparators(config.browserPath));
    for (const auto &timing : timingFields())
        timing.first->setValue(config.*timing.second);
    ui->defaultBrowserCheckbox->setChecked(config.useDefaultBrowser);
    ui->selectBrowserButton->setEnabled(!config.useDefaultBrowser);

    const bool editable = config.profileName != defaultProfileName;
    ui->basicFrame->setEnabled(editable);
    ui->advancedFrame->setEnabled(editable);
    ui->removeConfigButton->setEnabled(editable);
    ui->saveConfigBuffon->setEnabled(false);
}

// The profile list as stored, which drops an entry made here and never saved.
void SystemSettingsWidget::listStoredProfiles(const QString &shown)
{
    const QStringList names = configSettings->profileNames();
    ui->configListComboBox->clear();
    ui->configListComboBox->addItems(names);
    activeIndex = qMax(0, int(names.indexOf(shown)));
    ui->configListComboBox->setCurrentIndex(activeIndex);
}

void SystemSettingsWidget::showActiveProfile()
{
    const CONFIG_SETTINGS active = configSettings->activeProfile();
    listStoredProfiles(active.profileName);
    loadConfig(active);
}

void SystemSettingsWidget::markUnsaved()
{
    ui->saveConfigBuffon->setEnabled(true);
}

QList<QPair<QSpinBox *, int CONFIG_SETTINGS::*>> SystemSettingsWidget::timingFields() const
{
    return {{ui->lostTimeSpinbox, &CONFIG_SETTINGS::timeoutToLost},
            {ui->offlineTimeSpinbox, &CONFIG_SETTINGS::lostIndicatorPeriod},
            {ui->newTimeSpinbox, &CONFIG_SETTINGS::newIndicatorPeriod},
            {ui->pingIntervalSpinBox, &CONFIG_SETTINGS::pingInterval}};
}

// A profile as the toolbox makes a new one, so that it carries the platform filter.
CONFIG_SETTINGS SystemSettingsWidget::newProfile()
{
    bool workingPathReady = true;
    const CONFIG_SETTINGS profile = CONFIG_SETTINGS::newProfile(&workingPathReady);
    if (!workingPathReady)
        showWorkingDirectoryWarning(this, profile.workingPath);
    return profile;
}

void SystemSettingsWidget::on_renameSettingButton_clicked()
{
    ui->configNameText->setEnabled(true);
    ui->configNameText->selectAll();
    ui->configNameText->setFocus(Qt::OtherFocusReason);
}

QString SystemSettingsWidget::chooseDirectory(const QString &caption, const QString &current,
                                              QFileDialog::Options options)
{
    return chooseExistingDirectory(this, caption, startDirectory(current), options);
}

void SystemSettingsWidget::on_changeWorkingDirButton_clicked()
{
    const QString directory = chooseDirectory(tr("Select the default working directory"), ui->workDirText->text(),
                                              QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (directory.isEmpty())
        return;
    ui->workDirText->setText(QDir::toNativeSeparators(directory));
    markUnsaved();
}

void SystemSettingsWidget::on_changeToolPathButton_clicked()
{
    const QString directory = chooseDirectory(tr("Select the directory containging the Ardentix tools"),
                                              ui->toolPathText->text(), QFileDialog::ShowDirsOnly);
    if (directory.isEmpty())
        return;
    ui->toolPathText->setText(QDir::toNativeSeparators(directory));
    markUnsaved();
}

void SystemSettingsWidget::on_selectBrowserButton_clicked()
{
#ifdef Q_OS_WIN
    const QString filter = tr("Executable (*.exe)");
#else
    // Programs here carry no extension: the save checks the executable bit instead.
    const QString filter = tr("All files (*)");
#endif
    const QString file = chooseFile(this, tr("Select Prefered Browser"), startDirectory(ui->browserPathText->text()),
                                    filter);
    if (file.isEmpty())
        return;
    ui->browserPathText->setText(QDir::toNativeSeparators(file));
    markUnsaved();
}

void SystemSettingsWidget::on_defaultBrowserCheckbox_toggled(bool checked)
{
    ui->selectBrowserButton->setEnabled(!checked);
    if (!checked && ui->browserPathText->text().isEmpty())
        ui->browserPathText->setText(tr("Please select your prefered browser"));
    markUnsaved();
}

void SystemSettingsWidget::on_createNewConfigButton_clicked()
{
    if (ui->saveConfigBuffon->isEnabled()) {
        if (!prompt_for_save())
            return;
        // Saved or discarded, what the form shows now is what the store holds.
        showActiveProfile();
    }
    bool accepted = false;
    const QString name = QInputDialog::getText(this, tr("New Configuration"),
                                               tr("Please enter a name for the new configuration"), QLineEdit::Normal,
                                               QStringLiteral("NewConfig"), &accepted);
    if (!accepted)
        return;
    if (name.isEmpty() || name == defaultProfileName || configSettings->profileNames().contains(name)) {
        QMessageBox::critical(this, tr("Invalid Configuration Name"),
                              tr("  Please select a valid, new configuration name. "), QMessageBox::Ok);
        return;
    }

    CONFIG_SETTINGS profile = newProfile();
    profile.profileName = name;
    ui->configListComboBox->addItem(name);
    activeIndex = ui->configListComboBox->count() - 1;
    ui->configListComboBox->setCurrentIndex(activeIndex);
    qDebug() << "Add config to index: " << activeIndex;
    loadConfig(profile);
    markUnsaved();
    ui->renameSettingButton->click();
}

bool SystemSettingsWidget::refuseProfile(const CONFIG_SETTINGS &profile)
{
    QString title;
    QString text;
    if (!profile.useDefaultBrowser && !isExecutableFile(profile.browserPath)) {
        title = tr("Invalid Browser Path");
        text = tr("  Please select a valid web browser path or tick the \n checkbox to use the system's default web "
                  "browser Exist ");
    } else if (profile.toolsPath.isEmpty() || !QFileInfo(profile.toolsPath).isDir()) {
        title = tr("Invalid Tools Path");
        text = tr("  Please select a valid path to your Ardentix tools. ");
    } else if (!QDir(profile.workingPath).exists()) {
        title = tr("Invalid Working Directory");
        text = tr("  Please select a valid path to your working directory. ");
    } else if (profile.timeoutToLost < leastLostTimeout(profile.pingInterval)) {
        title = tr("Invalid Connection Lost Timeout");
        text = tr("  Please set a Connection Lost Timeout of at least twice the Ping Interval. \n A shorter one "
                  "marks devices as lost while they still answer every ping. ");
    } else {
        return false;
    }
    QMessageBox::critical(this, title, text, QMessageBox::Ok);
    return true;
}

bool SystemSettingsWidget::on_saveConfigBuffon_clicked()
{
    CONFIG_SETTINGS profile = newProfile();
    profile.profileName = ui->configListComboBox->itemText(activeIndex);
    profile.workingPath = QDir::fromNativeSeparators(ui->workDirText->text());
    profile.toolsPath = QDir::fromNativeSeparators(ui->toolPathText->text());
    profile.useDefaultBrowser = ui->defaultBrowserCheckbox->isChecked();
    for (const auto &timing : timingFields())
        profile.*timing.second = timing.first->value();
    // The hint in the empty field is no path.
    const QString browserText = ui->browserPathText->text();
    profile.browserPath = browserText == tr("Please select your prefered browser")
                              ? QString()
                              : QDir::fromNativeSeparators(browserText);
    if (refuseProfile(profile))
        return false;

    // A store that can't be written has said so: the edits stay to be saved again.
    if (!configSettings->saveProfile(profile))
        return false;
    configSettings->activateProfile(profile.profileName);
    ui->saveConfigBuffon->setEnabled(false);
    ui->configListComboBox->setFocus(Qt::OtherFocusReason);
    return true;
}

bool SystemSettingsWidget::prompt_for_save()
{
    qDebug() << "Prmomt Active index: " << activeIndex;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("Save changes?"),
        tr("There are unsaved changes for configuration ") + ui->configListComboBox->itemText(activeIndex)
            + tr(". Do you want to save these changes?"),
        QMessageBox::Save | QMessageBox::Discard, QMessageBox::NoButton);
    if (answer == QMessageBox::Save) {
        qDebug("Save");
        return on_saveConfigBuffon_clicked();
    }
    qDebug("Discard");
    return true;
}

void SystemSettingsWidget::on_configListComboBox_textActivated(const QString &text)
{
    if (ui->saveConfigBuffon->isEnabled() && !prompt_for_save()) {
        ui->configListComboBox->setCurrentIndex(activeIndex);
        return;
    }
    ui->saveConfigBuffon->setEnabled(false);

    // Picking a profile made here and never saved keeps the active profile
    // rather than activating a name of nothing.
    const QString chosen = configSettings->profileNames().contains(text) ? text
                                                                         : configSettings->activeProfile().profileName;
    listStoredProfiles(chosen);
    loadConfig(configSettings->activateProfile(chosen));
}

void SystemSettingsWidget::on_removeConfigButton_clicked()
{
    const int removed = ui->configListComboBox->currentIndex();
    configSettings->removeProfile(ui->configListComboBox->currentText());
    ui->configListComboBox->removeItem(removed);
    activeIndex = qMin(removed, ui->configListComboBox->count() - 1);
    ui->configListComboBox->setCurrentIndex(activeIndex);
    loadConfig(configSettings->activateProfile(ui->configListComboBox->itemText(activeIndex)));
}

void SystemSettingsWidget::on_welcomStartupCheckBox_toggled(bool checked)
{
    writeShowSplash(checked);
}

void SystemSettingsWidget::on_configNameText_textEdited(const QString &)
{
    markUnsaved();
}

void SystemSettingsWidget::on_workDirText_textEdited(const QString &)
{
    markUnsaved();
}

void SystemSettingsWidget::on_toolPathText_textEdited(const QString &)
{
    markUnsaved();
}

void SystemSettingsWidget::on_browserPathText_textEdited(const QString &)
{
    markUnsaved();
}

void SystemSettingsWidget::on_lostTimeSpinbox_valueChanged(int)
{
    markUnsaved();
}

void SystemSettingsWidget::on_offlineTimeSpinbox_valueChanged(int)
{
    markUnsaved();
}

void SystemSettingsWidget::on_newTimeSpinbox_valueChanged(int)
{
    markUnsaved();
}

void SystemSettingsWidget::on_pingIntervalSpinBox_valueChanged(int)
{
    markUnsaved();
}

void SystemSettingsWidget::showStoreWriteFailure(const QString &storeFileName)
{
    auto *box = new QMessageBox(QMessageBox::Critical, tr("Settings not saved"),
                                tr("The Toolbox could not write its settings to:\n") + storeFileName
                                    + tr("\nThe change holds only until the Toolbox is closed."),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}
