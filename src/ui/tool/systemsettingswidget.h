#ifndef SYSTEMSETTINGSWIDGET_H
#define SYSTEMSETTINGSWIDGET_H

#include "ui/runmode.h"

#include <QWidget>

class ConfigSettings;

namespace Ui {
class SystemSettingsWidget;
}

// The "Toolbox Settings" window: chooses the active settings profile, which the
// controller then applies through ConfigSettings::config_settings_changed.
class SystemSettingsWidget : public QWidget
{
    Q_OBJECT

public:
    SystemSettingsWidget(QWidget *parent, ConfigSettings *configSettings, RUN_MODE runMode);
    ~SystemSettingsWidget() override;

private slots:
    void on_configListComboBox_textActivated(const QString &name);

private:
    Ui::SystemSettingsWidget *ui;
    ConfigSettings *configSettings;
};

#endif // SYSTEMSETTINGSWIDGET_H
