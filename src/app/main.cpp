#include "ardentixtoolbox.h"
#include "messagerouting.h"
#include "startupoptions.h"

#include "platform/processcount.h"
#include "ui/tool/toolboxspashwindow.h"

#include <QApplication>
#include <QSettings>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    keepDebugMessagesOffTheConsole();

    RUN_MODE mode = instanceRunMode(countProcessesNamed("ArdentixToolbox"));
    mode = readStartupOptions(app.arguments().mid(1), mode);
    const bool showSplash = QSettings(QStringLiteral("Ardentix"), QStringLiteral("Toolbox"))
                                    .value(QStringLiteral("show_splash"), true).toBool();

    auto toolbox = std::make_unique<ArdentixToolbox>();
    std::unique_ptr<ToolboxSpashWindow> welcome;
    if (showSplash) {
        // A second instance ends inside this constructor.
        welcome = std::make_unique<ToolboxSpashWindow>(nullptr, true, mode);
        QObject::connect(welcome.get(), &ToolboxSpashWindow::start_discovery, toolbox.get(), &ArdentixToolbox::Start);
        welcome->show();
    } else {
        toolbox->Start(mode);
    }

    const int result = app.exec();
    // The controller's threads are gone before the message handlers are.
    toolbox.reset();
    welcome.reset();
    closeMessageSinks();
    return result;
}
