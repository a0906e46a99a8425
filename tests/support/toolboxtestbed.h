#ifndef TOOLBOXTESTBED_H
#define TOOLBOXTESTBED_H

#include "gatewaytestbed.h"

#include "app/ardentixtoolbox.h"
#include "model/axmetatypes.h"
#include "model/devicedatabase.h"
#include "ui/main/axtmainwindow.h"

#include <QApplication>
#include <QSettings>
#include <QVariantMap>

#include <memory>

// The test bed with the whole program in side A: the controller with its store,
// communications manager and main window, under a settings profile the test
// stores. Everything the program opened goes with the bed, before the emulators.
class ToolboxTestBed : public GatewayTestBed
{
public:
    ToolboxTestBed()
    {
        registerAxMetaTypes();
        qRegisterMetaType<RUN_MODE>("RUN_MODE");
    }
    ~ToolboxTestBed() { stop(); }

    // The one stored profile: its folders are the sandbox, `values` its other keys.
    void storeProfile(const QString &name, const QVariantMap &values) const
    {
        QSettings settings(QStringLiteral("Ardentix"), QStringLiteral("Toolbox"));
        settings.beginWriteArray(QStringLiteral("settings_profiles"), 1);
        settings.setArrayIndex(0);
        settings.setValue(QStringLiteral("settings_profile_name"), name);
        settings.setValue(QStringLiteral("working_path"), sandbox().path());
        settings.setValue(QStringLiteral("tools_path"), sandbox().path());
        for (auto value = values.cbegin(); value != values.cend(); ++value)
            settings.setValue(value.key(), value.value());
        settings.endArray();
    }

    ArdentixToolbox *start(RUN_MODE mode)
    {
        m_toolbox = std::make_unique<ArdentixToolbox>();
        m_toolbox->Start(mode);
        return m_toolbox.get();
    }

    // Closes the main window, ends the controller and deletes every window left.
    void stop()
    {
        if (AXTMainWindow *main = mainWindow())
            main->close();
        m_toolbox.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget *widget : QApplication::topLevelWidgets())
            delete widget;
    }

    ArdentixToolbox *toolbox() const { return m_toolbox.get(); }
    DeviceDatabase *store() const { return m_toolbox->findChild<DeviceDatabase *>(); }
    static AXTMainWindow *mainWindow()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *main = qobject_cast<AXTMainWindow *>(widget))
                return main;
        }
        return nullptr;
    }

private:
    std::unique_ptr<ArdentixToolbox> m_toolbox;
};

#endif // TOOLBOXTESTBED_H
