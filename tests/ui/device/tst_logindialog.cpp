// The login dialog as a device window uses it: what it shows, and what its two
// buttons hand back.
#include "ui/device/logindialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class tst_LoginDialog : public QObject
{
    Q_OBJECT

private slots:
    void showsTheDeviceAndTheDefaultPrompt();
    void offersTheStoredUserNameButNeverThePassword();
    void loginHandsBackWhatWasTyped();
    void cancelHandsBackAnEmptyPair();
    void closingByTheTitleBarSaysNothing();

private:
    static ArdentixDevice device();
    static QString textOf(const QWidget &dialog, const char *name);
};

ArdentixDevice tst_LoginDialog::device()
{
    ArdentixDevice device;
    device.configTitle = QStringLiteral("<img src=x><b>Boiler</b> \"House\" 2");
    device.ipAddress = QHostAddress(QStringLiteral("10.77.0.2"));
    return device;
}

QString tst_LoginDialog::textOf(const QWidget &dialog, const char *name)
{
    if (const auto *label = dialog.findChild<QLabel *>(QLatin1String(name)))
        return label->text();
    return dialog.findChild<QLineEdit *>(QLatin1String(name))->text();
}

void tst_LoginDialog::showsTheDeviceAndTheDefaultPrompt()
{
    LoginDialog dialog(nullptr, device(), QString());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Login Required"));
    QCOMPARE(textOf(dialog, "headingLabel"), QStringLiteral("Login Required"));
    // The device's title as it stands, markup and all.
    QCOMPARE(textOf(dialog, "deviceNameLabel"), QStringLiteral("<img src=x><b>Boiler</b> \"House\" 2"));
    QCOMPARE(dialog.findChild<QLabel *>("deviceNameLabel")->textFormat(), Qt::PlainText);
    QCOMPARE(textOf(dialog, "deviceIpLabel"), QStringLiteral("10.77.0.2"));
    QCOMPARE(textOf(dialog, "login_message_label"), QStringLiteral("Please login to continue"));
    QCOMPARE(textOf(dialog, "usernameLineEdit"), QStringLiteral("Admin"));
    QCOMPARE(dialog.findChild<QLineEdit *>("passwordLineEdit")->echoMode(), QLineEdit::Password);

    LoginDialog refused(nullptr, device(), QStringLiteral("Login error, please try again"));
    QCOMPARE(textOf(refused, "login_message_label"), QStringLiteral("Login error, please try again"));
}

void tst_LoginDialog::offersTheStoredUserNameButNeverThePassword()
{
    ArdentixDevice known = device();
    known.setCredentials(QStringLiteral("operator"), QStringLiteral("secret"));
    LoginDialog dialog(nullptr, known, QString());
    QCOMPARE(textOf(dialog, "usernameLineEdit"), QStringLiteral("operator"));
    QCOMPARE(textOf(dialog, "passwordLineEdit"), QString());
}

void tst_LoginDialog::loginHandsBackWhatWasTyped()
{
    auto *dialog = new LoginDialog(nullptr, device(), QString());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    QSignalSpy login(dialog, &LoginDialog::login);
    QPointer<LoginDialog> alive(dialog);
    auto *user = dialog->findChild<QLineEdit *>("usernameLineEdit");
    user->clear();
    QTest::keyClicks(user, QStringLiteral(" admin "));
    QTest::keyClicks(dialog->findChild<QLineEdit *>("passwordLineEdit"), QStringLiteral("p w"));
    QTest::mouseClick(dialog->findChild<QPushButton *>("loginButton"), Qt::LeftButton);
    QCOMPARE(login.size(), 1);
    QCOMPARE(login.first(), QVariantList({" admin ", "p w"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(alive.isNull());
}

void tst_LoginDialog::cancelHandsBackAnEmptyPair()
{
    auto *dialog = new LoginDialog(nullptr, device(), QString());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    QSignalSpy login(dialog, &LoginDialog::login);
    QPointer<LoginDialog> alive(dialog);
    QTest::keyClicks(dialog->findChild<QLineEdit *>("passwordLineEdit"), QStringLiteral("typed"));
    QTest::mouseClick(dialog->findChild<QPushButton *>("cancelButton"), Qt::LeftButton);
    QCOMPARE(login.size(), 1);
    QCOMPARE(login.first(), QVariantList({QString(), QString()}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(alive.isNull());
}

void tst_LoginDialog::closingByTheTitleBarSaysNothing()
{
    LoginDialog dialog(nullptr, device(), QString());
    dialog.show();
    QSignalSpy login(&dialog, &LoginDialog::login);
    QVERIFY(dialog.close());
    QCOMPARE(login.size(), 0);
}

QTEST_MAIN(tst_LoginDialog)
#include "tst_logindialog.moc"
