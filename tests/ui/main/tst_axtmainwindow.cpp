#include "ui/main/axtmainwindow.h"

#include "model/axsignalobject.h"
#include "ui/tool/contactwidget.h"
#include "ui/tool/helpwidget.h"

#include "modalanswer.h"
#include "testsandbox.h"
#include "toplevelwidgets.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// The files the window reads from its working directory, copied from the build's run folder.
bool copyRuntimeFolder(const QString &folder, const QString &to)
{
    const QDir from(QStringLiteral(AX_BINARY_DIR "/run/") + folder);
    if (!QDir(to).mkpath(folder))
        return false;
    for (const QString &name : from.entryList(QDir::Files))
        if (!QFile::copy(from.filePath(name), to + "/" + folder + "/" + name))
            return false;
    return true;
}

// Started as a child of the test: a second instance of the program shows its
// message, is answered "Close", and must end the process there with exit code 1.
int runSecondInstance()
{
    whenModalUp([](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box)
            return;
        QStringList buttons;
        for (QAbstractButton *button : box->buttons())
            buttons << button->text();
        std::printf("%s|%s|%s\n", qPrintable(box->windowTitle()), qPrintable(box->text()),
                    qPrintable(buttons.join(',')));
        std::fflush(stdout);
        for (QAbstractButton *button : box->buttons())
            if (button->text() == QLatin1String("Close"))
                button->click();
    });
    AxSignalObject root;
    AXTMainWindow window(nullptr, RUN_MODE(RUN_MODE_SECOND_INSTANCE | RUN_MODE_ADVANCED), &root);
    return 0;
}

} // namespace

class tst_AXTMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowAndTitleArea();
    void tableColumns();
    void styleSheetsComeFromTheWorkingDirectory();
    void restrictedModeHidesSetup();
    void setupButtonAsksForTheSettingsWindow();
    void f5RefreshesOnlyInForcedPingMode();
    void plusIconFollowsThePointer();
    void addDeviceByAddress_data();
    void addDeviceByAddress();
    void badAddressIsRefused_data();
    void badAddressIsRefused();
    void cancelledAddressAddsNothing();
    void favouriteChangeIsPassedOn();
    void deviceFileFailureIsShownOnce();
    void helpMenuOpensHelpOrContact_data();
    void helpMenuOpensHelpOrContact();
    void secondInstanceEndsWithExitCodeOne();
    void destructionLetsGoOfItsWindows();

private:
    AXTMainWindow *makeWindow(RUN_MODE mode = RUN_MODE(0));
    template<typename T>
    T *child(const char *name) const
    {
        T *found = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qWarning("no child %s", name);
        return found;
    }
    QStandardItemModel *model() const;
    QIcon plusIcon() const;
    void enterAddress(const QString &text);

    std::unique_ptr<TestSandbox> m_sandbox;
    std::unique_ptr<AxSignalObject> m_root;
    QPointer<AXTMainWindow> m_window;
};

void tst_AXTMainWindow::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
    for (const char *folder : {"style", "help", "contact", "images"})
        QVERIFY(copyRuntimeFolder(QString::fromLatin1(folder), m_sandbox->path()));
    m_root = std::make_unique<AxSignalObject>(nullptr);
}

void tst_AXTMainWindow::cleanup()
{
    delete m_window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_root.reset();
    m_sandbox.reset();
}

AXTMainWindow *tst_AXTMainWindow::makeWindow(RUN_MODE mode)
{
    m_window = new AXTMainWindow(nullptr, mode, m_root.get());
    return m_window;
}

QStandardItemModel *tst_AXTMainWindow::model() const
{
    return qobject_cast<QStandardItemModel *>(child<QTableView>("deviceTableView")->model());
}

QIcon tst_AXTMainWindow::plusIcon() const
{
    return model()->horizontalHeaderItem(2)->icon();
}

void tst_AXTMainWindow::enterAddress(const QString &text)
{
    whenModalUp([text](QWidget *widget) {
        auto *dialog = qobject_cast<QInputDialog *>(widget);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Add device by IP address"));
        QCOMPARE(dialog->labelText(), QStringLiteral("Enter device's IP address"));
        QVERIFY(dialog->textValue().isEmpty());
        QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
        dialog->setTextValue(text);
        dialog->accept();
    });
}

void tst_AXTMainWindow::windowAndTitleArea()
{
    makeWindow();
    QVERIFY(m_window->isWindow());
    QVERIFY(!m_window->parent());
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->objectName(), QStringLiteral("AXTMainWindow"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Ardentix Toolbox"));
    QCOMPARE(m_window->minimumSize(), QSize(960, 400));
    QCOMPARE(m_window->size(), QSize(1024, 610));
    QVERIFY(!m_window->windowIcon().isNull());
    QCOMPARE(child<QLabel>("titleLabel")->text(), QStringLiteral("Ardentix Toolbox"));
    QVERIFY(child<QLabel>("titleLabel")->font().bold());
    QCOMPARE(child<QFrame>("menuFrame")->maximumHeight(), 80);

    auto *setup = child<QPushButton>("setupButton");
    auto *help = child<QPushButton>("HelpButton");
    QCOMPARE(setup->text(), QStringLiteral("Setup"));
    QCOMPARE(help->text(), QStringLiteral("Help"));
    QVERIFY(!setup->isHidden());
    QVERIFY(help->isCheckable());
    QVERIFY(setup->isFlat() && help->isFlat());

    // The help and contact windows exist from the start, hidden, chained to the window's bus.
    int helpWindows = 0;
    int contactWindows = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *helpWindow = qobject_cast<HelpWidget *>(widget)) {
            ++helpWindows;
            QVERIFY(!helpWindow->isVisible());
            QVERIFY(helpWindow->bus && helpWindow->bus->upstream && helpWindow->bus->upstream->upstream == m_root.get());
        }
        if (qobject_cast<ContactWidget *>(widget)) {
            ++contactWindows;
            QVERIFY(!widget->isVisible());
        }
    }
    QCOMPARE(helpWindows, 1);
    QCOMPARE(contactWindows, 1);
}

void tst_AXTMainWindow::tableColumns()
{
    makeWindow();
    auto *table = child<QTableView>("deviceTableView");
    QStandardItemModel *items = model();
    QVERIFY(items);
    QCOMPARE(items->columnCount(), 13);
    QCOMPARE(items->rowCount(), 0);

    const QStringList headers = {"", "DEVICES", "", "", "IP ADDRESS", "", "MAC ADDRESS", "MAC ADDRESS",
                                 "", "", "FAVORITE", "CONNECTIVITY", ""};
    const QList<int> widths = {0, 160, 20, 0, 165, 0, 0, 180, 35, 0, 64, 120, 180};
    QHeaderView *header = table->horizontalHeader();
    for (int column = 0; column < 13; ++column) {
        QCOMPARE(items->horizontalHeaderItem(column)->text(), headers.at(column));
        const bool stretched = column == 3 || column == 5 || column == 9;
        QCOMPARE(header->sectionResizeMode(column), stretched ? QHeaderView::Stretch : QHeaderView::Fixed);
        if (!stretched)
            QCOMPARE(header->sectionSize(column), widths.at(column));
    }
    QVERIFY(!plusIcon().isNull());
    QCOMPARE(items->horizontalHeaderItem(2)->toolTip(), QStringLiteral("Add Remote Device"));
    QVERIFY(!items->horizontalHeaderItem(4)->icon().isNull());
    QCOMPARE(header->minimumSectionSize(), 0);
    QVERIFY(table->verticalHeader()->isHidden());
    QVERIFY(!table->showGrid());
    QCOMPARE(table->selectionMode(), QAbstractItemView::NoSelection);
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!table->hasAutoScroll());
    QCOMPARE(table->focusProxy(), child<QWidget>("centralWidget"));
}

void tst_AXTMainWindow::styleSheetsComeFromTheWorkingDirectory()
{
    makeWindow();
    QFile logoFrame(m_sandbox->filePath("style/LogoFrame.qss"));
    QVERIFY(logoFrame.open(QIODevice::ReadOnly));
    QCOMPARE(child<QFrame>("menuFrame")->styleSheet(), QString::fromLatin1(logoFrame.readAll()));
    QVERIFY(child<QTableView>("deviceTableView")->styleSheet().contains("QHeaderView::section"));
    delete m_window;

    // A missing sheet leaves the frame and the table unstyled, nothing more.
    QVERIFY(QDir(m_sandbox->filePath("style")).removeRecursively());
    makeWindow();
    QVERIFY(child<QFrame>("menuFrame")->styleSheet().isEmpty());
    QVERIFY(child<QTableView>("deviceTableView")->styleSheet().isEmpty());
}

void tst_AXTMainWindow::restrictedModeHidesSetup()
{
    makeWindow(RUN_MODE_RESTRICTED);
    QVERIFY(child<QPushButton>("setupButton")->isHidden());
    QVERIFY(!child<QPushButton>("HelpButton")->isHidden());
}

void tst_AXTMainWindow::setupButtonAsksForTheSettingsWindow()
{
    makeWindow();
    QSignalSpy setup(m_window.data(), &AXTMainWindow::showSetupWidget);
    QTest::mouseClick(child<QPushButton>("setupButton"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("setupButton"), Qt::LeftButton);
    QCOMPARE(setup.size(), 2);
}

void tst_AXTMainWindow::f5RefreshesOnlyInForcedPingMode()
{
    makeWindow(RUN_MODE_ADVANCED);
    QSignalSpy refresh(m_window.data(), &AXTMainWindow::start_forced_ping);
    QTest::keyClick(m_window.data(), Qt::Key_F5);
    QCOMPARE(refresh.size(), 0);
    QVERIFY(child<QStatusBar>("statusBar")->currentMessage().isEmpty());
    delete m_window;

    makeWindow(RUN_MODE(RUN_MODE_FORCED_PING | RUN_MODE_ENGINEERING));
    QSignalSpy forced(m_window.data(), &AXTMainWindow::start_forced_ping);
    QTest::keyClick(m_window.data(), Qt::Key_F4);
    QCOMPARE(forced.size(), 0);
    QTest::keyClick(m_window.data(), Qt::Key_F5);
    QCOMPARE(forced.size(), 1);
    QCOMPARE(child<QStatusBar>("statusBar")->currentMessage(), QStringLiteral("Refreshing list..."));
}

void tst_AXTMainWindow::plusIconFollowsThePointer()
{
    makeWindow();
    const QImage normalImage = QIcon(QStringLiteral("images/button_plus1.png")).pixmap(16).toImage();
    const QImage pressedImage = QIcon(QStringLiteral("images/button_plus2.png")).pixmap(16).toImage();
    QVERIFY(normalImage != pressedImage);
    const auto shows = [this](const QImage &image) { return plusIcon().pixmap(16).toImage() == image; };

    QVERIFY(shows(normalImage));
    QMetaObject::invokeMethod(m_window.data(), "onDeviceTableViewHeaderPressed", Q_ARG(int, 2));
    QVERIFY(shows(pressedImage));
    QMetaObject::invokeMethod(m_window.data(), "onDeviceTableViewHeaderEntered", Q_ARG(int, 7));
    QVERIFY(shows(normalImage));
    QMetaObject::invokeMethod(m_window.data(), "onDeviceTableViewHeaderEntered", Q_ARG(int, 2));
    QVERIFY(shows(pressedImage));

    // A click elsewhere opens nothing; a click on the plus restores the icon first.
    QSignalSpy added(m_window.data(), &AXTMainWindow::userDeviceAdded);
    QMetaObject::invokeMethod(m_window.data(), "onDeviceTableViewHeaderClicked", Q_ARG(int, 4));
    QVERIFY(shows(pressedImage));
    bool normalWhileAsking = false;
    whenModalUp([&](QWidget *dialog) {
        normalWhileAsking = shows(normalImage);
        qobject_cast<QDialog *>(dialog)->reject();
    });
    QMetaObject::invokeMethod(m_window.data(), "onDeviceTableViewHeaderClicked", Q_ARG(int, 2));
    QVERIFY(normalWhileAsking);
    QCOMPARE(added.size(), 0);
}

void tst_AXTMainWindow::addDeviceByAddress_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("address");
    QTest::newRow("plain") << "192.168.1.20" << "192.168.1.20";
    QTest::newRow("blanks around") << "  10.0.0.7 \t" << "10.0.0.7";
    QTest::newRow("leading zeros are decimal") << "192.168.001.020" << "192.168.1.20";
    QTest::newRow("zero padded first part") << "010.000.000.001" << "10.0.0.1";
    QTest::newRow("link-local") << "169.254.10.20" << "169.254.10.20";
}

void tst_AXTMainWindow::addDeviceByAddress()
{
    QFETCH(QString, typed);
    QFETCH(QString, address);
    makeWindow();
    QSignalSpy added(m_window.data(), &AXTMainWindow::userDeviceAdded);
    enterAddress(typed);
    QTest::mouseClick(child<QTableView>("deviceTableView")->horizontalHeader()->viewport(), Qt::LeftButton,
                      Qt::NoModifier, QPoint(child<QTableView>("deviceTableView")->horizontalHeader()->sectionViewportPosition(2) + 10, 10));
    QCOMPARE(added.size(), 1);
    const auto device = added.first().first().value<ArdentixDevice>();
    QCOMPARE(device.ipAddress, QHostAddress(address));
    QCOMPARE(device.ipAddress.toString(), address);
    QCOMPARE(device.macAddress, "Pending (" + address + ")");
    QCOMPARE(device.configTitle, QStringLiteral("Title Pending (User Device)"));
    QVERIFY(device.userDevice);
    QVERIFY(device.favorite);
    QVERIFY(!device.ipConnectivity);
    QVERIFY(!device.vekConnectivity);
    QCOMPARE(device.discoveryState, DISCOVERY_OFFLINE);
    QCOMPARE(device.discoveryTime, quint64(0));
    QVERIFY(!child<QTableView>("deviceTableView")->hasFocus());
}

void tst_AXTMainWindow::badAddressIsRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("IPv6") << "fe80::1";
    QTest::newRow("IPv6 with scope") << "fe80::1%eth0";
    QTest::newRow("IPv6 loopback") << "::1";
    QTest::newRow("three parts") << "192.168.1";
    QTest::newRow("five parts") << "1.2.3.4.5";
    QTest::newRow("part above 255") << "192.168.1.256";
    QTest::newRow("empty part") << "1..2.3";
    QTest::newRow("hexadecimal") << "0x0a.0.0.1";
    QTest::newRow("trailing letters") << "192.168.1.20x";
    QTest::newRow("sign") << "+1.2.3.4";
    QTest::newRow("four digits") << "1.2.3.0004";
    QTest::newRow("full-width digit") << QString::fromUtf8("\xef\xbc\x91.2.3.4");
    QTest::newRow("a name") << "gateway.local";
}

void tst_AXTMainWindow::badAddressIsRefused()
{
    QFETCH(QString, typed);
    makeWindow();
    QSignalSpy added(m_window.data(), &AXTMainWindow::userDeviceAdded);
    QString title;
    QString text;
    enterAddress(typed);
    // The refusal comes once the address dialog has gone.
    QTimer::singleShot(0, this, [&] {
        whenModalUp([&](QWidget *widget) {
            if (auto *box = qobject_cast<QMessageBox *>(widget)) {
                title = box->windowTitle();
                text = box->text();
                box->accept();
            }
        });
    });
    QMetaObject::invokeMethod(m_window.data(), "onDeviceTableViewHeaderClicked", Q_ARG(int, 2));
    QCOMPARE(title, QStringLiteral("Invalid Address"));
    QVERIFY2(text.startsWith("Invalid IP Address Entered"), qPrintable(text));
    QVERIFY(text.contains("IPv4"));
    QCOMPARE(added.size(), 0);
}

void tst_AXTMainWindow::cancelledAddressAddsNothing()
{
    makeWindow();
    QSignalSpy added(m_window.data(), &AXTMainWindow::userDeviceAdded);
    bool boxShown = false;
    whenModalUp([&](QWidget *dialog) {
        qobject_cast<QInputDialog *>(dialog)->setTextValue("10.0.0.1");
        qobject_cast<QDialog *>(dialog)->reject();
        QTimer::singleShot(50, [&] { boxShown = QApplication::activeModalWidget() != nullptr; });
    });
    QMetaObject::invokeMethod(m_window.data(), "onDeviceTableViewHeaderClicked", Q_ARG(int, 2));
    QTest::qWait(100);
    QVERIFY(!boxShown);
    QCOMPARE(added.size(), 0);
}

void tst_AXTMainWindow::favouriteChangeIsPassedOn()
{
    makeWindow();
    QSignalSpy favourite(m_window.data(), &AXTMainWindow::deviceFavoriteChangedSignal);
    m_window->deviceFavoriteChanged("00:1A:2B:3C:4D:5E", true);
    m_window->deviceFavoriteChanged("00:1A:2B:3C:4D:5E", false);
    QCOMPARE(favourite.size(), 2);
    QCOMPARE(favourite.at(0).at(0).toString(), QStringLiteral("00:1A:2B:3C:4D:5E"));
    QCOMPARE(favourite.at(0).at(1).toBool(), true);
    QCOMPARE(favourite.at(1).at(1).toBool(), false);
}

// A failed save is shown, without blocking the table, and a second one while
// the box is up replaces its reason instead of stacking another box.
void tst_AXTMainWindow::deviceFileFailureIsShownOnce()
{
    makeWindow();
    m_window->deviceFileWriteFailed(QStringLiteral("attempt to write a readonly database"));
    m_window->deviceFileWriteFailed(QStringLiteral("database is locked"));
    const QList<QMessageBox *> boxes = m_window->findChildren<QMessageBox *>();
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first()->isVisible());
    QVERIFY(!boxes.first()->isModal());
    QCOMPARE(boxes.first()->informativeText(), QStringLiteral("database is locked"));

    boxes.first()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_window->findChildren<QMessageBox *>().isEmpty());
    m_window->deviceFileWriteFailed(QStringLiteral("disk I/O error"));
    QCOMPARE(m_window->findChildren<QMessageBox *>().size(), 1);
}

void tst_AXTMainWindow::helpMenuOpensHelpOrContact_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("helpShown");
    QTest::addColumn<bool>("contactShown");
    QTest::newRow("help") << "Help" << true << false;
    QTest::newRow("contact") << "Contact Us" << false << true;
    QTest::newRow("dismissed") << "" << false << false;
}

void tst_AXTMainWindow::helpMenuOpensHelpOrContact()
{
    QFETCH(QString, entry);
    QFETCH(bool, helpShown);
    QFETCH(bool, contactShown);
    makeWindow();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    auto *helpButton = child<QPushButton>("HelpButton");

    QStringList offered;
    QPoint shownAt;
    whenPopupUp([&](QWidget *widget) {
        auto *menu = qobject_cast<QMenu *>(widget);
        QVERIFY(menu);
        shownAt = menu->pos();
        for (QAction *action : menu->actions()) {
            offered << action->text();
            QVERIFY(action->isEnabled());
        }
        QVERIFY(helpButton->isChecked());
        QAction *chosen = nullptr;
        for (QAction *action : menu->actions())
            if (action->text() == entry)
                chosen = action;
        if (chosen) {
            menu->setActiveAction(chosen);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            QTest::keyClick(menu, Qt::Key_Escape);
        }
    });
    QTest::mouseClick(helpButton, Qt::LeftButton);
    QTRY_VERIFY(!offered.isEmpty());
    QCOMPARE(offered, (QStringList{"Help", "Contact Us"}));
    QCOMPARE(shownAt, helpButton->mapToGlobal(QPoint(0, helpButton->height())));
    QVERIFY(!helpButton->isChecked());

    HelpWidget *help = topLevelWidgetOf<HelpWidget>();
    ContactWidget *contact = topLevelWidgetOf<ContactWidget>();
    QVERIFY(help && contact);
    QCOMPARE(help->isVisible(), helpShown);
    QCOMPARE(contact->isVisible(), contactShown);
    // The pages are the files beside the program.
    QVERIFY(help->findChild<QTextBrowser *>("textBrowser")->toPlainText().contains("Take the tour"));
    QVERIFY(contact->findChild<QTextBrowser *>("textBrowser")->toPlainText().contains("Technical support"));
}

void tst_AXTMainWindow::secondInstanceEndsWithExitCodeOne()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("AX_SECOND_INSTANCE_CHILD", "1");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(environment);
    child.setWorkingDirectory(m_sandbox->path());
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 1);
    QCOMPARE(QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed(),
             QStringLiteral("Could not open Ardentix Toolbox|Another instance of Ardentix Toolbox is already running|Close"));
}

void tst_AXTMainWindow::destructionLetsGoOfItsWindows()
{
    makeWindow();
    QPointer<HelpWidget> help = topLevelWidgetOf<HelpWidget>();
    QPointer<ContactWidget> contact = topLevelWidgetOf<ContactWidget>();
    QVERIFY(help && contact);
    QPointer<QObject> bus = help->bus->upstream.data();
    QVERIFY(bus);

    // Closing deletes the window, as the controller sets it up.
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    m_window->show();
    m_window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_window);
    // The help and contact windows go at the next return to the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!bus);
    QVERIFY(!help);
    QVERIFY(!contact);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("AX_SECOND_INSTANCE_CHILD"))
        return runSecondInstance();
    tst_AXTMainWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_axtmainwindow.moc"
