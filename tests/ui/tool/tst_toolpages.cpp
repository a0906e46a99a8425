#include "model/axsignalobject.h"
#include "model/configsettings.h"
#include "ui/tool/contactwidget.h"
#include "ui/tool/helpwidget.h"
#include "ui/tool/htmlpage.h"
#include "ui/tool/systemsettingswidget.h"
#include "ui/tool/toolboxspashwindow.h"

#include "testfiles.h"
#include "testsandbox.h"
#include "urlrecorder.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QtTest>

#include <memory>

namespace {

ToolboxSpashWindow *shownTour()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *tour = qobject_cast<ToolboxSpashWindow *>(widget); tour && tour->isVisible())
            return tour;
    return nullptr;
}

} // namespace

// The pages beside the program and the settings window's choice of profile.
class tst_ToolPages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pageIsReadAsLatin1UpToTheFirstNul();
    void missingPageIsEmpty();
    void choosingAProfileActivatesIt();
    void helpLinksOpenTheTourOrTheBrowser();
    void contactLinksOpenTheBrowserOnly();

private:
    void writeFile(const QString &name, const QByteArray &bytes);
    void click(QWidget *window, const QString &link);
    QString browserCalls() const;

    std::unique_ptr<TestSandbox> m_sandbox;
    // The bus root hands the windows the active profile, which the tests change in place.
    CONFIG_SETTINGS m_profile;
    AxSignalObject m_root;
    UrlRecorder m_desktop;
};

void tst_ToolPages::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
    m_profile = CONFIG_SETTINGS();
    m_profile.browserPath = m_sandbox->filePath("browser");
    QVERIFY(writeRecordingProgram(m_profile.browserPath, m_sandbox->filePath("browser.log")));
    m_root.settings = &m_profile;
    m_desktop.urls.clear();
    for (const char *scheme : {"http", "https", "mailto"})
        QDesktopServices::setUrlHandler(scheme, &m_desktop, "open");
}

void tst_ToolPages::cleanup()
{
    for (const char *scheme : {"http", "https", "mailto"})
        QDesktopServices::unsetUrlHandler(scheme);
    m_sandbox.reset();
}

void tst_ToolPages::click(QWidget *window, const QString &link)
{
    emit window->findChild<QTextBrowser *>("textBrowser")->anchorClicked(QUrl(link));
}

// The command lines the configured browser was started with.
QString tst_ToolPages::browserCalls() const
{
    return readText(m_sandbox->filePath("browser.log"));
}

void tst_ToolPages::writeFile(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(m_sandbox->filePath(name)).path());
    QFile file(m_sandbox->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void tst_ToolPages::pageIsReadAsLatin1UpToTheFirstNul()
{
    writeFile("page.htm", QByteArray("<p>caf\xe9</p>\0<p>hidden</p>", 24));
    QCOMPARE(readHtmlPage("page.htm"), QString::fromUtf8("<p>caf\xc3\xa9</p>"));
    // UTF-8 text is taken byte by byte.
    writeFile("utf8.htm", "<p>caf\xc3\xa9</p>");
    QCOMPARE(readHtmlPage("utf8.htm"), QString::fromLatin1("<p>caf\xc3\xa9</p>"));
}

void tst_ToolPages::missingPageIsEmpty()
{
    QVERIFY(readHtmlPage("help/ax_help.htm").isEmpty());
}

void tst_ToolPages::choosingAProfileActivatesIt()
{
    ConfigSettings settings;
    CONFIG_SETTINGS quick = settings.activeProfile();
    quick.profileName = "Quick";
    quick.pingInterval = 1000;
    settings.saveProfile(quick);
    settings.activateProfile("Default");

    SystemSettingsWidget window(nullptr, &settings, RUN_MODE(0));
    QCOMPARE(window.windowTitle(), QStringLiteral("Toolbox Settings"));
    auto *profiles = window.findChild<QComboBox *>("configListComboBox");
    QVERIFY(profiles);
    QCOMPARE(profiles->count(), 2);
    QCOMPARE(profiles->currentText(), QStringLiteral("Default"));

    QSignalSpy changed(&settings, &ConfigSettings::config_settings_changed);
    QTest::keyClick(profiles, Qt::Key_Down);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().first().value<CONFIG_SETTINGS>().profileName, QStringLiteral("Quick"));
    QCOMPARE(settings.currentConfig()->pingInterval, 1000);
}

void tst_ToolPages::helpLinksOpenTheTourOrTheBrowser()
{
    writeFile("help/ax_help.htm", "<p>Toolbox help</p>");
    HelpWidget help(nullptr, &m_root, RUN_MODE(0));
    QCOMPARE(help.windowTitle(), QStringLiteral("Toolbox Help"));
    QCOMPARE(help.findChild<QLabel *>("label_2")->text(), QStringLiteral("Toolbox Version: V1.08aC"));
    auto *page = help.findChild<QTextBrowser *>("textBrowser");
    QCOMPARE(page->toPlainText(), QStringLiteral("Toolbox help"));

    // The tour opens on its first page, also when it was left on the second.
    click(&help, "internal/startup");
    ToolboxSpashWindow *tour = shownTour();
    QVERIFY(tour);
    QTest::mouseClick(tour->findChild<QPushButton *>("NextButton"), Qt::LeftButton);
    click(&help, "internal/startup/again");
    QCOMPARE(tour->styleSheet(), QStringLiteral("QFrame{background:url(./images/tour_p1_secure.jpg);}"));
    QTest::mouseClick(tour->findChild<QPushButton *>("discoverNowButton_2"), Qt::LeftButton);
    QVERIFY(!shownTour());

    // Other internal targets do nothing; the rest goes to the browser the profile names.
    click(&help, "internal/");
    click(&help, "internal/tour");
    QVERIFY(!shownTour());
    click(&help, "https://support.ardentix.example/");
    QCOMPARE(m_desktop.urls, QStringList{"https://support.ardentix.example/"});
    m_profile.useDefaultBrowser = false;
    // An address that looks like an option never reaches the browser's command line.
    click(&help, "--remote-debugging-port=9222");
    click(&help, "Internal/startup");
    QTRY_COMPARE(browserCalls(), QStringLiteral("Internal/startup\n--\n"));
    QTest::qWait(200);
    QCOMPARE(browserCalls(), QStringLiteral("Internal/startup\n--\n"));
    QCOMPARE(m_desktop.urls.size(), 1);
    QCOMPARE(page->toPlainText(), QStringLiteral("Toolbox help"));
}

void tst_ToolPages::contactLinksOpenTheBrowserOnly()
{
    // Without its file the page is empty, not the form's own.
    QVERIFY(ContactWidget(nullptr, &m_root, RUN_MODE(0)).findChild<QTextBrowser *>("textBrowser")->toPlainText().isEmpty());

    writeFile("contact/ardentix_contact.htm", "<p>Contact Ardentix</p>");
    ContactWidget contact(nullptr, &m_root, RUN_MODE(0));
    QCOMPARE(contact.findChild<QLabel *>("label")->text(), QStringLiteral("Contact Us"));
    QCOMPARE(contact.findChild<QTextBrowser *>("textBrowser")->toPlainText(), QStringLiteral("Contact Ardentix"));
    contact.show();

    click(&contact, "internal/startup");
    QVERIFY(!shownTour());
    m_profile.useDefaultBrowser = false;
    click(&contact, "mailto:support@ardentix.example");
    QTRY_COMPARE(browserCalls(), QStringLiteral("mailto:support@ardentix.example\n--\n"));
    click(&contact, "https://www.ardentix.example/internal/startup");
    QTRY_COMPARE(browserCalls(), QStringLiteral("mailto:support@ardentix.example\n--\n"
                                                "https://www.ardentix.example/internal/startup\n--\n"));
    QVERIFY(m_desktop.urls.isEmpty());

    QTest::mouseClick(contact.findChild<QPushButton *>("closeButton"), Qt::LeftButton);
    QVERIFY(!contact.isVisible());
}

QTEST_MAIN(tst_ToolPages)
#include "tst_toolpages.moc"
