#include "messagelog.h"
#include "testsandbox.h"

#include "ui/axsignalwidget.h"

#include <QApplication>
#include <QPointer>
#include <QtTest>

namespace {

// A device window that counts the results reaching it through its bus.
class DeviceWindow : public AxSignalWidget
{
public:
    DeviceWindow(AxSignalObject *upstream, int *received)
        : AxSignalWidget(nullptr, upstream)
    {
        connect(bus, &AxSignalObject::_signal_down_system_time, this, [received] { ++*received; });
    }
};

int relaysBelow(const AxSignalObject &root)
{
    return int(root.findChildren<AxSignalObject *>().size());
}

void closeAndDestroy(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QVERIFY(window->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestAxSignalWidget : public QObject
{
    Q_OBJECT

private slots:
    void busChainedToUpstream();
    void noUpstreamNoBus();
    void treeClosingFlag();
    void windowTwoLevelsDownReceivesOnce();
    void closedWindowReceivesNothing();
    void openingAndClosingLeavesNoRelays();
    void windowOutlivesTheWindowItWasOpenedFrom();
    void upstreamGoneBeforeWindow();

private:
    TestSandbox m_sandbox;
};

void TestAxSignalWidget::busChainedToUpstream()
{
    const CONFIG_SETTINGS profile;
    AxSignalObject root;
    root.settings = &profile;
    QWidget parent;
    AxSignalWidget widget(&parent, &root);
    QVERIFY(widget.bus);
    QCOMPARE(widget.parentWidget(), &parent);
    QVERIFY(!widget.isWindow());
    QCOMPARE(widget.bus->upstream.data(), &root);
    QCOMPARE(widget.bus->settings, &profile);
    QCOMPARE(widget.settings, &profile);

    QSignalSpy restart(&root, &AxSignalObject::_signal_up_restart_device);
    emit widget.bus->_signal_up_restart_device(ArdentixDevice());
    QCOMPARE(restart.count(), 1);
}

void TestAxSignalWidget::noUpstreamNoBus()
{
    AxSignalWidget widget(nullptr, nullptr);
    QCOMPARE(widget.bus, nullptr);
    QCOMPARE(widget.settings, nullptr);
    QVERIFY(!widget.treeClosing);
}

void TestAxSignalWidget::treeClosingFlag()
{
    AxSignalObject root;
    AxSignalWidget window(nullptr, &root);
    QVERIFY(!window.treeClosing);
    window.set_widget_tree_close(true);
    QVERIFY(window.treeClosing);
    window.set_widget_tree_close(false);
    QVERIFY(!window.treeClosing);
}

void TestAxSignalWidget::windowTwoLevelsDownReceivesOnce()
{
    AxSignalObject root;
    AxSignalObject mainWindowBus(&root);
    int received = 0;
    DeviceWindow window(&mainWindowBus, &received);
    root._slot_down_system_time(QDateTime::currentDateTime(), ArdentixDevice());
    QCOMPARE(received, 1);
}

void TestAxSignalWidget::closedWindowReceivesNothing()
{
    AxSignalObject root;
    int closedReceived = 0;
    int openReceived = 0;
    auto *closed = new DeviceWindow(&root, &closedReceived);
    DeviceWindow open(&root, &openReceived);
    QPointer<AxSignalObject> closedBus = closed->bus;

    closeAndDestroy(closed);
    QVERIFY(closedBus.isNull());

    MessageLog log;
    root._slot_down_system_time(QDateTime::currentDateTime(), ArdentixDevice());
    QCOMPARE(closedReceived, 0);
    QCOMPARE(openReceived, 1);
    QVERIFY(log.messages().isEmpty());
}

void TestAxSignalWidget::openingAndClosingLeavesNoRelays()
{
    AxSignalObject root;
    AxSignalObject mainWindowBus(&root);
    const int before = relaysBelow(root);
    int received = 0;
    for (int k = 0; k < 50; ++k)
        closeAndDestroy(new DeviceWindow(&mainWindowBus, &received));
    QCOMPARE(relaysBelow(root), before);
    QVERIFY(mainWindowBus.children().isEmpty());
}

void TestAxSignalWidget::windowOutlivesTheWindowItWasOpenedFrom()
{
    AxSignalObject root;
    QSignalSpy requests(&root, &AxSignalObject::_signal_up_restart_device);
    int openerReceived = 0;
    int received = 0;
    auto *opener = new DeviceWindow(&root, &openerReceived);
    auto *window = new DeviceWindow(opener->bus, &received);
    QPointer<AxSignalObject> openerBus = opener->bus;
    QPointer<AxSignalObject> windowBus = window->bus;
    closeAndDestroy(opener);

    root._slot_down_system_time(QDateTime::currentDateTime(), ArdentixDevice());
    emit window->bus->_signal_up_restart_device(ArdentixDevice());
    QCOMPARE(received, 1);
    QCOMPARE(requests.count(), 1);

    closeAndDestroy(window);
    QVERIFY(!windowBus);
    QTRY_VERIFY(!openerBus);
    QCOMPARE(relaysBelow(root), 0);
}

void TestAxSignalWidget::upstreamGoneBeforeWindow()
{
    auto *root = new AxSignalObject;
    int received = 0;
    auto *window = new DeviceWindow(root, &received);
    delete root;
    QVERIFY(window->bus);
    QVERIFY(window->bus->upstream.isNull());
    // Its relay is now cut off, and goes with the window without a double delete.
    emit window->bus->_signal_up_pause_update(true);
    delete window;
}

QTEST_MAIN(TestAxSignalWidget)
#include "tst_axsignalwidget.moc"
