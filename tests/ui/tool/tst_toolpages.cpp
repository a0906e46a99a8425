#include "model/configsettings.h"
#include "ui/tool/htmlpage.h"
#include "ui/tool/systemsettingswidget.h"

#include "testsandbox.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

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

private:
    void writeFile(const QString &name, const QByteArray &bytes);

    std::unique_ptr<TestSandbox> m_sandbox;
};

void tst_ToolPages::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
}

void tst_ToolPages::cleanup()
{
    m_sandbox.reset();
}

void tst_ToolPages::writeFile(const QString &name, const QByteArray &bytes)
{
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

QTEST_MAIN(tst_ToolPages)
#include "tst_toolpages.moc"
