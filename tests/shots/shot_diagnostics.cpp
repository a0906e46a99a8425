// Pictures of the diagnostics window: a serial capture under way, with its
// status line beside the count-down; the box of a run that collected nothing;
// and the window after both runs, as wide as it was first laid out. The
// stand-in capture tool plays kovdebug; nothing goes on the network.
#include "ui/device/devicedebugwidget.h"

#include "../ui/device/diagnosticssandbox.h"
#include "shotsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString folder = shotFolder();
    DiagnosticsSandbox rig;
    ArdentixDevice device = diagnosedDevice(QStringLiteral("Boiler House AX-K400"),
                                            QStringLiteral("02:A0:00:00:00:01"));
    device.vekConnectivity = true;
    bool saved = true;

    // Every box gets its default answer; the one that ends a run is pictured first.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (box->windowTitle() == QLatin1String("Diagnostic Test Complete"))
            saved &= saveShot(box, folder, QStringLiteral("diagnostics-2-nothing-collected.png"));
        QAbstractButton *answer = box->defaultButton() ? box->defaultButton() : box->buttons().value(0);
        answer->click();
    });
    poll.start(10);

    DeviceDebugWidget window(nullptr, RUN_MODE(0), &rig.root, device);
    auto *start = window.findChild<QPushButton *>(QStringLiteral("startDebugButton"));
    const auto chooseTest = [&](int test) {
        window.findChild<QComboBox *>(QStringLiteral("diagnosticTestComboBox"))->setCurrentIndex(test);
        QMetaObject::invokeMethod(&window, "on_diagnosticTestComboBox_activated", Q_ARG(int, test));
    };

    qputenv("KOVDEBUG_STUB_HANG", "-d19");
    chooseTest(TEST_SERIAL_CAPTURE);
    start->click();
    auto *status = window.findChild<QLabel *>(QStringLiteral("setTimeLabel"));
    saved &= QTest::qWaitFor([&] { return status->text().startsWith(QLatin1String("Comm log")); }, 5000);
    saved &= saveShot(&window, folder, QStringLiteral("diagnostics-1-comm-log.png"));
    start->click();   // abort
    saved &= QTest::qWaitFor([&] { return !start->isChecked(); }, 5000);

    // A capture tool that writes nothing, and no KOVNET tool to fetch with.
    qunsetenv("KOVDEBUG_STUB_HANG");
    qputenv("KOVDEBUG_STUB_SILENT", "1");
    QFile::remove(rig.sandbox.filePath("bin/kovnet"));
    chooseTest(TEST_SNAPSHOT);
    start->click();
    saved &= QTest::qWaitFor([&] { return !start->isChecked(); }, 5000);
    saved &= saveShot(&window, folder, QStringLiteral("diagnostics-3-after-the-runs.png"));
    return saved ? 0 : 1;
}
