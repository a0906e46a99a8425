#ifndef SYSTEMSETTINGSWIDGET_H
#define SYSTEMSETTINGSWIDGET_H

#include "model/configsettings.h"
#include "ui/runmode.h"

#include <QFileDialog>
#include <QList>
#include <QPair>
#include <QWidget>

#include <functional>

class QCloseEvent;
class QSpinBox;

namespace Ui {
class SystemSettingsWidget;
}

// The "Toolbox Settings" window: edits the settings profiles kept by ConfigSettings.
// The user picks the active profile, creates one from the defaults, edits and saves
// any but the built-in "Default" (which makes it active), and removes profiles.
// Every change reaches the program as ConfigSettings::config_settings_changed.
// The window has unsaved changes exactly while "Apply and Save" is enabled.
class SystemSettingsWidget : public QWidget
{
    Q_OBJECT

public:
    // Let the caller pick folders and files without a modal dialog; the arguments
    // are those of QFileDialog::getExistingDirectory and QFileDialog::getOpenFileName.
    using DirectoryChooser = std::function<QString(QWidget *parent, const QString &caption,
                                                   const QString &directory, QFileDialog::Options options)>;
    using FileChooser = std::function<QString(QWidget *parent, const QString &caption, const QString &directory,
                                              const QString &filter)>;

    SystemSettingsWidget(QWidget *parent, ConfigSettings *configSettings, RUN_MODE runMode);
    ~SystemSettingsWidget() override;

    void setDirectoryChooser(const DirectoryChooser &chooser);
    void setFileChooser(const FileChooser &chooser);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_renameSettingButton_clicked();
    void on_changeWorkingDirButton_clicked();
    void on_changeToolPathButton_clicked();
    void on_selectBrowserButton_clicked();
    void on_defaultBrowserCheckbox_toggled(bool checked);
    void on_createNewConfigButton_clicked();
    bool on_saveConfigBuffon_clicked();
    void on_configListComboBox_textActivated(const QString &text);
    void on_removeConfigButton_clicked();
    bool prompt_for_save();
    void on_welcomStartupCheckBox_toggled(bool checked);
    void on_configNameText_textEdited(const QString &text);
    void on_workDirText_textEdited(const QString &text);
    void on_toolPathText_textEdited(const QString &text);
    void on_browserPathText_textEdited(const QString &text);
    void on_lostTimeSpinbox_valueChanged(int value);
    void on_offlineTimeSpinbox_valueChanged(int value);
    void on_newTimeSpinbox_valueChanged(int value);
    void on_pingIntervalSpinBox_valueChanged(int value);
    void showStoreWriteFailure(const QString &storeFileName);

private:
    void loadConfig(const CONFIG_SETTINGS &config);
    void listStoredProfiles(const QString &shown);
    void showActiveProfile();
    void markUnsaved();
    CONFIG_SETTINGS newProfile();
    bool refuseProfile(const CONFIG_SETTINGS &profile);
    QString chooseDirectory(const QString &caption, const QString &current, QFileDialog::Options options);
    QList<QPair<QSpinBox *, int CONFIG_SETTINGS::*>> timingFields() const;

    Ui::SystemSettingsWidget *ui;
    ConfigSettings *configSettings;
    RUN_MODE runMode;
    DirectoryChooser chooseExistingDirectory;
    FileChooser chooseFile;
    // The combo entry whose profile the form shows.
    int activeIndex;
};

#endif // SYSTEMSETTINGSWIDGET_H
