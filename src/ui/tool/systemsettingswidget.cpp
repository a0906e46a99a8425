#include "systemsettingswidget.h"
#include "ui_systemsettingswidget.h"

#include "model/configsettings.h"

SystemSettingsWidget::SystemSettingsWidget(QWidget *parent, ConfigSettings *configSettings, RUN_MODE runMode)
    : QWidget(parent)
    , ui(new Ui::SystemSettingsWidget)
    , configSettings(configSettings)
{
    Q_UNUSED(runMode);
    ui->setupUi(this);
    setWindowTitle(tr("Toolbox Settings"));
    setWindowIcon(QIcon(QStringLiteral("./images/icon.ico")));
    ui->configListComboBox->addItems(configSettings->profileNames());
    ui->configListComboBox->setCurrentText(configSettings->activeProfile().profileName);
}

SystemSettingsWidget::~SystemSettingsWidget()
{
    qDebug("Destroying settings widget");
    delete ui;
}

void SystemSettingsWidget::on_configListComboBox_textActivated(const QString &name)
{
    configSettings->activateProfile(name);
}
