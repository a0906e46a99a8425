#include "ui/tool/systemsettingswidget.h"

#include "model/configsettings.h"

#include "shotsupport.h"
#include "testsandbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

// The settings window in advanced mode with timings it refuses to save, and the
// box that says why: devices lost while they still answer every ping.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString folder = QDir(shotFolder()).absolutePath();
    TestSandbox sandbox;
    QDir().mkpath(QStringLiteral("bin"));

    ConfigSettings settings;
    CONFIG_SETTINGS plant = CONFIG_SETTINGS::newProfile();
    plant.profileName = QStringLiteral("Plant");
    settings.saveProfile(plant);
    settings.activateProfile(plant.profileName);
    auto *window = new SystemSettingsWidget(nullptr, &settings, RUN_MODE_ADVANCED);
    window->findChild<QSpinBox *>(QStringLiteral("lostTimeSpinbox"))->setValue(3000);
    window->findChild<QSpinBox *>(QStringLiteral("pingIntervalSpinBox"))->setValue(2000);
    bool saved = saveShot(window, folder, QStringLiteral("settings-short-lost-timeout.png"));

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            poll.stop();
            saved &= saveShot(box, folder, QStringLiteral("box-lost-timeout-refused.png"));
            box->accept();
        }
    });
    poll.start(10);
    window->findChild<QPushButton *>(QStringLiteral("saveConfigBuffon"))->click();
    delete window;
    return saved ? 0 : 1;
}
