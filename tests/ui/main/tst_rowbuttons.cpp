#include "ui/main/axactioncombobox.h"
#include "ui/main/deviceconnectivitywidget.h"
#include "ui/main/favoritedevicebutton.h"
#include "ui/main/userdevicebutton.h"

#include "rowtesthelpers.h"
#include "testsandbox.h"

#include <QAbstractItemView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace RowTest;

class tst_RowButtons : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void starReportsEveryRelease();
    void starsToggleOnTheirOwn();
    void removeAsksFirst_data();
    void removeAsksFirst();
    void removeConfirmed();
    void uncheckedRemoveButtonIsAPlainRadioButton();
    void removeButtonGoneWhileTheBoxIsUp();
    void connectivityIndicatorIgnoresTheMouse();
    void connectivityIndicatorIcons_data();
    void connectivityIndicatorIcons();
    void actionPopupOpensFurtherLeft();

private:
    QPushButton *buttonOf(QMessageBox *box, const QString &text) const;

    std::unique_ptr<TestSandbox> m_sandbox;
    std::unique_ptr<QWidget> m_window;
};

void tst_RowButtons::init()
{
    m_sandbox = std::make_unique<TestSandbox>();
    QVERIFY(m_sandbox->isValid());
    QVERIFY(copyImages(m_sandbox->path()));
    m_window = std::make_unique<QWidget>();
    m_window->resize(400, 200);
}

void tst_RowButtons::cleanup()
{
    m_window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_sandbox.reset();
}

QPushButton *tst_RowButtons::buttonOf(QMessageBox *box, const QString &text) const
{
    for (QAbstractButton *button : box->buttons())
        if (button->text() == text)
            return qobject_cast<QPushButton *>(button);
    return nullptr;
}

void tst_RowButtons::starReportsEveryRelease()
{
    auto *star = new FavoriteDeviceButton(m_window.get(), "02:A0:00:00:00:01");
    star->setGeometry(10, 10, 30, 30);
    m_window->show();
    QSignalSpy changed(star, &FavoriteDeviceButton::FavoriteChanged);

    const QPoint indicator = indicatorPoint(star);
    QTest::mouseClick(star, Qt::LeftButton, {}, indicator);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0), QVariantList({"02:A0:00:00:00:01", true}));
    QTest::mouseClick(star, Qt::LeftButton, {}, indicator);
    QCOMPARE(changed.at(1), QVariantList({"02:A0:00:00:00:01", false}));

    // A release off the button completes no click but still reports the unchanged state.
    QTest::mousePress(star, Qt::LeftButton, {}, indicator);
    QTest::mouseRelease(star, Qt::LeftButton, {}, QPoint(200, 150));
    QCOMPARE(changed.size(), 3);
    QCOMPARE(changed.at(2), QVariantList({"02:A0:00:00:00:01", false}));
    QVERIFY(!star->isChecked());

    // The keyboard toggles the star without a report.
    star->setFocus();
    QTest::keyClick(star, Qt::Key_Space);
    QVERIFY(star->isChecked());
    QCOMPARE(changed.size(), 3);
}

void tst_RowButtons::starsToggleOnTheirOwn()
{
    auto *first = new FavoriteDeviceButton(m_window.get(), "A");
    auto *second = new FavoriteDeviceButton(m_window.get());
    auto *remove = new UserDeviceButton(m_window.get(), "A");
    first->setChecked(true);
    second->setChecked(true);
    remove->setChecked(true);
    QVERIFY(first->isChecked() && second->isChecked() && remove->isChecked());

    QSignalSpy changed(second, &FavoriteDeviceButton::FavoriteChanged);
    m_window->show();
    second->setGeometry(50, 10, 30, 30);
    QTest::mouseClick(second, Qt::LeftButton, {}, indicatorPoint(second));
    QCOMPARE(changed.at(0), QVariantList({QString(), false}));   // the one-argument form has no key
    QVERIFY(first->isChecked());
}

void tst_RowButtons::removeAsksFirst_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel") << false;
    QTest::newRow("Escape") << true;
}

void tst_RowButtons::removeAsksFirst()
{
    QFETCH(bool, escape);
    auto *button = new UserDeviceButton(m_window.get(), "Pending (10.77.0.9)");
    button->setChecked(true);
    button->setGeometry(10, 10, 30, 30);
    m_window->show();
    QSignalSpy removed(button, &UserDeviceButton::userDeviceRemoved);

    QString title, text, buttons;
    whenModalUp([&](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        for (QAbstractButton *choice : box->buttons())
            buttons += choice->text() + "|";
        QCOMPARE(box->icon(), QMessageBox::Information);
        QCOMPARE(box->defaultButton(), buttonOf(box, "Remove"));
        if (escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            buttonOf(box, "Cancel")->click();
    });
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);

    QCOMPARE(title, QString("Remove remote device"));
    QCOMPARE(text, QString("Are you sure you want to remove \nthis device from the list?"));
    QVERIFY(buttons.contains("Remove|") && buttons.contains("Cancel|"));
    QCOMPARE(removed.size(), 0);
    QVERIFY(button->isChecked());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(m_window->findChildren<UserDeviceButton *>().size(), 1);
}

void tst_RowButtons::removeConfirmed()
{
    QPointer<UserDeviceButton> button = new UserDeviceButton(m_window.get(), "Pending (10.77.0.9)");
    button->setChecked(true);
    button->setGeometry(10, 10, 30, 30);
    m_window->show();
    QSignalSpy removed(button.data(), &UserDeviceButton::userDeviceRemoved);

    whenModalUp([&](QWidget *widget) { buttonOf(qobject_cast<QMessageBox *>(widget), "Remove")->click(); });
    QTest::mousePress(button, Qt::LeftButton);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.at(0).at(0).toString(), QString("Pending (10.77.0.9)"));
    // It goes by itself at the next turn of the event loop.
    QVERIFY(button);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!button);
}

void tst_RowButtons::uncheckedRemoveButtonIsAPlainRadioButton()
{
    auto *button = new UserDeviceButton(m_window.get());
    button->setGeometry(10, 10, 30, 30);
    m_window->show();
    QSignalSpy removed(button, &UserDeviceButton::userDeviceRemoved);
    bool asked = false;
    const QPointer<QTimer> poll = whenModalUp([&](QWidget *widget) {
        asked = true;
        qobject_cast<QDialog *>(widget)->reject();
    });
    QTest::mouseClick(button, Qt::LeftButton, {}, indicatorPoint(button));
    QVERIFY(!asked);
    QVERIFY(button->isChecked());
    QCOMPARE(removed.size(), 0);
    delete poll.data();
}

void tst_RowButtons::removeButtonGoneWhileTheBoxIsUp()
{
    QPointer<UserDeviceButton> button = new UserDeviceButton(m_window.get(), "Pending (10.77.0.9)");
    button->setChecked(true);
    button->setGeometry(10, 10, 30, 30);
    m_window->show();
    QSignalSpy removed(button.data(), &UserDeviceButton::userDeviceRemoved);

    // The table drops the row, and with it the button, while the user still reads the box.
    whenModalUp([&](QWidget *) { delete button.data(); });
    QTest::mousePress(button, Qt::LeftButton);
    QVERIFY(!button);
    QCOMPARE(removed.size(), 0);
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_RowButtons::connectivityIndicatorIgnoresTheMouse()
{
    ArdentixDevice device;
    device.setMacString("02:A0:00:00:00:07");
    auto *indicator = new DeviceConnectivityWidget(m_window.get(), device);
    indicator->setGeometry(10, 10, 60, 30);
    m_window->show();
    QVERIFY(indicator->isTristate());
    QVERIFY(indicator->icon().isNull());
    QSignalSpy clicked(indicator, &DeviceConnectivityWidget::widgetClicked);

    QTest::mouseClick(indicator, Qt::LeftButton);
    QTest::mouseClick(indicator, Qt::LeftButton);
    QCOMPARE(clicked.size(), 2);
    QCOMPARE(clicked.at(0).at(0).toString(), QString("02:A0:00:00:00:07"));
    QCOMPARE(indicator->checkState(), Qt::Unchecked);

    auto *bare = new DeviceConnectivityWidget(m_window.get());
    QVERIFY(bare->isTristate());
    QVERIFY(!bare->icon().isNull());   // starts as "no connectivity"
}

void tst_RowButtons::connectivityIndicatorIcons_data()
{
    QTest::addColumn<bool>("vek");
    QTest::addColumn<bool>("ip");
    QTest::addColumn<QString>("image");
    QTest::newRow("both") << true << true << "./images/button_colour1.png";
    QTest::newRow("IP only") << false << true << "./images/button_colour1.png";
    QTest::newRow("link level only") << true << false << "./images/button_colour2.png";
    QTest::newRow("none") << false << false << "./images/button_colour3.png";
}

void tst_RowButtons::connectivityIndicatorIcons()
{
    QFETCH(bool, vek);
    QFETCH(bool, ip);
    QFETCH(QString, image);
    DeviceConnectivityWidget indicator(nullptr);
    indicator.setConnectivityState(vek, ip);
    QCOMPARE(indicator.icon().pixmap(16).toImage(), QIcon(image).pixmap(16).toImage());
}

void tst_RowButtons::actionPopupOpensFurtherLeft()
{
    auto *plain = new QComboBox(m_window.get());
    auto *actions = new AxActionComboBox(m_window.get());
    plain->setGeometry(200, 20, 120, 25);
    actions->setGeometry(200, 80, 120, 25);
    for (QComboBox *box : {plain, static_cast<QComboBox *>(actions)})
        box->addItems({"KOVNET", "RECOVERY"});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    plain->showPopup();
    const int plainLeft = plain->view()->window()->geometry().left();
    plain->hidePopup();
    actions->showPopup();
    const int actionsLeft = actions->view()->window()->geometry().left();
    actions->hidePopup();

    QCOMPARE(actionsLeft, plainLeft - 48);
    QCOMPARE(actions->pos(), QPoint(200, 80));
}

QTEST_MAIN(tst_RowButtons)
#include "tst_rowbuttons.moc"
