#include "ui/tool/toolboxspashwindow.h"

#include "testsandbox.h"

#include <QCheckBox>
#include <QFrame>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString kWelcome = QStringLiteral("QFrame{background:url(./images/splash.jpg);}");
const QString kTourOne = QStringLiteral("QFrame{background:url(./images/tour_p1_secure.jpg);}");
const QString kTourTwo = QStringLiteral("QFrame{background:url(./images/tour_p2.jpg);}");

const QStringList kControls = {"discoverNowButton_1", "takeTourButton", "checkBox", "discoverNowButton_2",
                               "NextButton", "previousButton", "discoverNowButton_3"};

} // namespace

class tst_ToolboxSpashWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void builtOnTheWelcomePage();
    void showOnStartupFollowsTheStore_data();
    void showOnStartupFollowsTheStore();
    void tourPagesTurn();
    void discoverNowStartsOnceFromEveryPage_data();
    void discoverNowStartsOnceFromEveryPage();
    void silentInstanceOnlyCloses();
    void showTourAlwaysOpensPageOne();

private:
    static QStringList shownControls(ToolboxSpashWindow &window);
    static void click(ToolboxSpashWindow &window, const QString &name);
    static QVariant storedShowSplash();

    std::unique_ptr<TestSandbox> m_sandbox;
};

void tst_ToolboxSpashWindow::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
}

void tst_ToolboxSpashWindow::cleanup()
{
    m_sandbox.reset();
}

QStringList tst_ToolboxSpashWindow::shownControls(ToolboxSpashWindow &window)
{
    QStringList shown;
    for (const QString &name : kControls) {
        QWidget *control = window.findChild<QWidget *>(name);
        if (control && !control->isHidden())
            shown << name;
    }
    return shown;
}

void tst_ToolboxSpashWindow::click(ToolboxSpashWindow &window, const QString &name)
{
    auto *button = window.findChild<QAbstractButton *>(name);
    QVERIFY2(button, qPrintable(name));
    QVERIFY2(!button->isHidden(), qPrintable(name + " is hidden"));
    QTest::mouseClick(button, Qt::LeftButton);
}

QVariant tst_ToolboxSpashWindow::storedShowSplash()
{
    return QSettings(QStringLiteral("Ardentix"), QStringLiteral("Toolbox")).value("show_splash");
}

void tst_ToolboxSpashWindow::builtOnTheWelcomePage()
{
    ToolboxSpashWindow window(nullptr, true, RUN_MODE(0));
    QCOMPARE(window.windowTitle(), QStringLiteral("Welcome"));
    QCOMPARE(window.objectName(), QStringLiteral("ToolboxSpashWindow"));
    QCOMPARE(window.minimumSize(), QSize(1024, 718));
    QCOMPARE(window.maximumSize(), QSize(1024, 718));
    QCOMPARE(window.windowFlags() & ~Qt::WindowType_Mask,
             Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint);
    QVERIFY(window.isWindow());
    QCOMPARE(window.styleSheet(), kWelcome);
    QCOMPARE(shownControls(window), (QStringList{"discoverNowButton_1", "takeTourButton", "checkBox"}));

    const QList<QPair<QString, QRect>> places = {
        {"discoverNowButton_1", QRect(102, 568, 128, 37)}, {"takeTourButton", QRect(240, 568, 128, 37)},
        {"checkBox", QRect(40, 680, 150, 17)}, {"discoverNowButton_2", QRect(762, 657, 128, 37)},
        {"NextButton", QRect(899, 658, 69, 37)}, {"previousButton", QRect(755, 657, 82, 37)},
        {"discoverNowButton_3", QRect(845, 657, 128, 37)},
    };
    auto *frame = window.findChild<QFrame *>("imageFrame");
    QVERIFY(frame);
    for (const auto &place : places) {
        QWidget *control = window.findChild<QWidget *>(place.first);
        QVERIFY2(control && control->parentWidget() == frame, qPrintable(place.first));
        QCOMPARE(control->geometry(), place.second);
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            QVERIFY(button->isFlat());
            QVERIFY(button->font().bold());
        }
    }
    QCOMPARE(window.findChild<QPushButton *>("takeTourButton")->text(), QStringLiteral("Take The Tour"));
    QCOMPARE(window.findChild<QCheckBox *>("checkBox")->text(), QStringLiteral("Show on startup"));
}

void tst_ToolboxSpashWindow::showOnStartupFollowsTheStore_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("checked");
    QTest::newRow("absent") << QVariant() << true;
    QTest::newRow("true") << QVariant(true) << true;
    QTest::newRow("false") << QVariant(false) << false;
}

void tst_ToolboxSpashWindow::showOnStartupFollowsTheStore()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, checked);
    if (stored.isValid())
        QSettings(QStringLiteral("Ardentix"), QStringLiteral("Toolbox")).setValue("show_splash", stored);

    ToolboxSpashWindow window(nullptr, true, RUN_MODE(0));
    auto *box = window.findChild<QCheckBox *>("checkBox");
    QCOMPARE(box->isChecked(), checked);
    QCOMPARE(storedShowSplash().isValid(), stored.isValid() || !checked);

    // A toggle is stored at once, both ways.
    click(window, "checkBox");
    QCOMPARE(storedShowSplash().toBool(), !checked);
    click(window, "checkBox");
    QCOMPARE(storedShowSplash().toBool(), checked);
}

void tst_ToolboxSpashWindow::tourPagesTurn()
{
    ToolboxSpashWindow window(nullptr, true, RUN_MODE(0));
    window.show();

    click(window, "takeTourButton");
    QCOMPARE(window.styleSheet(), kTourOne);
    QCOMPARE(shownControls(window), (QStringList{"discoverNowButton_2", "NextButton"}));

    click(window, "NextButton");
    QCOMPARE(window.styleSheet(), kTourTwo);
    QCOMPARE(shownControls(window), (QStringList{"previousButton", "discoverNowButton_3"}));

    // Previous leads to tour page one, never back to the welcome page.
    click(window, "previousButton");
    QCOMPARE(window.styleSheet(), kTourOne);
    QCOMPARE(shownControls(window), (QStringList{"discoverNowButton_2", "NextButton"}));
    QVERIFY(window.isVisible());
}

void tst_ToolboxSpashWindow::discoverNowStartsOnceFromEveryPage_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QString>("discoverButton");
    QTest::newRow("welcome page") << QStringList() << "discoverNowButton_1";
    QTest::newRow("tour page one") << QStringList{"takeTourButton"} << "discoverNowButton_2";
    QTest::newRow("tour page two") << QStringList{"takeTourButton", "NextButton"} << "discoverNowButton_3";
}

void tst_ToolboxSpashWindow::discoverNowStartsOnceFromEveryPage()
{
    QFETCH(QStringList, path);
    QFETCH(QString, discoverButton);
    const RUN_MODE mode = RUN_MODE(RUN_MODE_ADVANCED | RUN_MODE_ENGINEERING);
    ToolboxSpashWindow window(nullptr, true, mode);
    QSignalSpy started(&window, &ToolboxSpashWindow::start_discovery);
    // The controller's start runs while the window is still open: it closes afterwards.
    // A second press meanwhile (the start may wait on a box) starts nothing.
    bool openWhileStarting = false;
    connect(&window, &ToolboxSpashWindow::start_discovery, this, [&window, &openWhileStarting, discoverButton] {
        openWhileStarting = window.isVisible();
        QTest::mouseClick(window.findChild<QPushButton *>(discoverButton), Qt::LeftButton);
    });
    window.show();
    for (const QString &step : path)
        click(window, step);
    click(window, discoverButton);
    QCOMPARE(started.size(), 1);
    QCOMPARE(started.first().first().value<RUN_MODE>(), RUN_MODE(0x09));
    QVERIFY(openWhileStarting);
    QVERIFY(!window.isVisible());
}

void tst_ToolboxSpashWindow::silentInstanceOnlyCloses()
{
    ToolboxSpashWindow window(nullptr, false, RUN_MODE(0));
    QSignalSpy started(&window, &ToolboxSpashWindow::start_discovery);
    window.showTour();
    QVERIFY(window.isVisible());
    click(window, "discoverNowButton_2");
    QCOMPARE(started.size(), 0);
    QVERIFY(!window.isVisible());
}

void tst_ToolboxSpashWindow::showTourAlwaysOpensPageOne()
{
    ToolboxSpashWindow window(nullptr, false, RUN_MODE(0));
    QVERIFY(!window.isVisible());
    window.showTour();
    click(window, "NextButton");
    QCOMPARE(window.styleSheet(), kTourTwo);
    click(window, "discoverNowButton_3");
    QVERIFY(!window.isVisible());

    window.showTour();
    QVERIFY(window.isVisible());
    QCOMPARE(window.styleSheet(), kTourOne);
    QCOMPARE(shownControls(window), (QStringList{"discoverNowButton_2", "NextButton"}));
}

QTEST_MAIN(tst_ToolboxSpashWindow)
#include "tst_toolboxspashwindow.moc"
