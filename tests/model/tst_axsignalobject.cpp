#include "messagelog.h"
#include "testsandbox.h"

#include "model/axsignalobject.h"

#include <QMetaMethod>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

// A spy on every signal of one relay, keyed by the signal's name.
class RelaySpies
{
public:
    explicit RelaySpies(AxSignalObject *relay)
    {
        const QMetaObject &meta = AxSignalObject::staticMetaObject;
        for (int k = meta.methodOffset(); k < meta.methodCount(); ++k) {
            const QMetaMethod method = meta.method(k);
            if (method.methodType() == QMetaMethod::Signal)
                m_spies.emplace_back(method.name(), std::make_unique<QSignalSpy>(relay, method));
        }
    }

    // The names of the signals that fired, once per emission.
    QList<QByteArray> fired() const
    {
        QList<QByteArray> names;
        for (const auto &[name, spy] : m_spies) {
            for (int k = 0; k < spy->count(); ++k)
                names << name;
        }
        return names;
    }

private:
    std::vector<std::pair<QByteArray, std::unique_ptr<QSignalSpy>>> m_spies;
};

// Emits a signal of the relay with default values of its argument types.
void emitWithDefaults(AxSignalObject *relay, const QMetaMethod &signal)
{
    QList<void *> values;
    QGenericArgument arguments[4];
    for (int k = 0; k < signal.parameterCount(); ++k) {
        const QMetaType type = signal.parameterMetaType(k);
        values << type.create();
        arguments[k] = QGenericArgument(type.name(), values.last());
    }
    QVERIFY(signal.invoke(relay, Qt::DirectConnection, arguments[0], arguments[1], arguments[2], arguments[3]));
    for (int k = 0; k < values.size(); ++k)
        signal.parameterMetaType(k).destroy(values.at(k));
}

QList<QMetaMethod> signalsNamed(const QByteArray &part)
{
    QList<QMetaMethod> found;
    const QMetaObject &meta = AxSignalObject::staticMetaObject;
    for (int k = meta.methodOffset(); k < meta.methodCount(); ++k) {
        const QMetaMethod method = meta.method(k);
        if (method.methodType() == QMetaMethod::Signal && method.name().contains(part))
            found << method;
    }
    return found;
}

ArdentixDevice deviceWithMac(const QString &mac)
{
    ArdentixDevice device;
    device.setMacString(mac);
    device.setIpAddress("192.168.1.50");
    return device;
}

} // namespace

class TestAxSignalObject : public QObject
{
    Q_OBJECT

private slots:
    void upRowsClimbToTheRootOnce();
    void downRowsReachEveryLevelOnce();
    void argumentsArriveUnchanged();
    void twoArgumentJsonSupport();
    void upEmissionWithoutRootWiringGoesNowhere();
    void siblingsReceiveInCreationOrder();
    void settingsPointerCopiedAtConstruction();
    void relayIsChildOfItsUpstream();
    void queuedStringConnectionsCarryTheTypes();

private:
    TestSandbox m_sandbox;
};

void TestAxSignalObject::upRowsClimbToTheRootOnce()
{
    AxSignalObject root;
    AxSignalObject window(&root);
    AxSignalObject child(&window);
    const QList<QMetaMethod> upRows = signalsNamed("signal_up_");
    QCOMPARE(upRows.size(), 22);
    for (const QMetaMethod &row : upRows) {
        RelaySpies atRoot(&root);
        RelaySpies atChild(&child);
        emitWithDefaults(&child, row);
        QCOMPARE(atRoot.fired(), QList<QByteArray>{row.name()});
        QCOMPARE(atChild.fired(), QList<QByteArray>{row.name()});
    }
}

void TestAxSignalObject::downRowsReachEveryLevelOnce()
{
    AxSignalObject root;
    AxSignalObject window(&root);
    AxSignalObject child(&window);
    const QList<QMetaMethod> downRows = signalsNamed("signal_down_");
    QCOMPARE(downRows.size(), 8);
    for (const QMetaMethod &row : downRows) {
        RelaySpies atRoot(&root);
        RelaySpies atWindow(&window);
        RelaySpies atChild(&child);
        emitWithDefaults(&root, row);
        QCOMPARE(atRoot.fired(), QList<QByteArray>{row.name()});
        QCOMPARE(atWindow.fired(), QList<QByteArray>{row.name()});
        QCOMPARE(atChild.fired(), QList<QByteArray>{row.name()});
    }
}

void TestAxSignalObject::argumentsArriveUnchanged()
{
    AxSignalObject root;
    AxSignalObject window(&root);
    AxSignalObject child(&window);
    const ArdentixDevice device = deviceWithMac("00:11:22:33:44:55");

    QSignalSpy progress(&root, &AxSignalObject::_signal_up_file_send_complete);
    child._slot_up_file_send_complete("img_k4.bin", FILE_TRANSFER_IN_PROGRESS, 42.5f, device);
    QCOMPARE(progress.count(), 1);
    QCOMPARE(progress.first().at(0).toString(), QStringLiteral("img_k4.bin"));
    QCOMPARE(progress.first().at(1).value<FILE_TRANSFER_STATE>(), FILE_TRANSFER_IN_PROGRESS);
    QCOMPARE(progress.first().at(2).toFloat(), 42.5f);
    QCOMPARE(progress.first().at(3).value<ArdentixDevice>().macAddress, QStringLiteral("00:11:22:33:44:55"));

    QSignalSpy security(&root, &AxSignalObject::_signal_up_security_status);
    emit child._signal_up_security_status("192.168.1.50", SECURITY_DOMAIN_FAILED, false);
    QCOMPARE(security.count(), 1);
    QCOMPARE(security.first().at(0).toString(), QStringLiteral("192.168.1.50"));
    QCOMPARE(security.first().at(1).value<SECURITY_STATUS>(), SECURITY_DOMAIN_FAILED);
    QCOMPARE(security.first().at(2).toBool(), false);

    QSignalSpy setIp(&child, &AxSignalObject::_signal_down_axcomm_set_ip_and_restart);
    root._slot_down_axcomm_set_ip_and_restart(device, "10.0.0.2", "10.0.1.2", true);
    QCOMPARE(setIp.count(), 1);
    QCOMPARE(setIp.first().at(1).toString(), QStringLiteral("10.0.0.2"));
    QCOMPARE(setIp.first().at(2).toString(), QStringLiteral("10.0.1.2"));
    QCOMPARE(setIp.first().at(3).toBool(), true);
}

void TestAxSignalObject::twoArgumentJsonSupport()
{
    AxSignalObject root;
    AxSignalObject window(&root);
    QSignalSpy json(&root, &AxSignalObject::_signal_up_json_support);
    window._slot_up_json_support("10.1.1.1", true);
    window._slot_up_json_support("10.1.1.2", true, true);
    QCOMPARE(json.count(), 2);
    QCOMPARE(json.at(0), (QVariantList{"10.1.1.1", true, false}));
    QCOMPARE(json.at(1), (QVariantList{"10.1.1.2", true, true}));
}

void TestAxSignalObject::upEmissionWithoutRootWiringGoesNowhere()
{
    AxSignalObject root;
    AxSignalObject window(&root);
    RelaySpies atRoot(&root);
    RelaySpies atSibling(new AxSignalObject(&root));
    MessageLog log;
    window._slot_up_restart_device(ArdentixDevice());
    // Up rows are not looped back by themselves: no down emission reaches a sibling.
    QCOMPARE(atRoot.fired(), QList<QByteArray>{"_signal_up_restart_device"});
    QVERIFY(atSibling.fired().isEmpty());
    QVERIFY(log.messages().isEmpty());
}

void TestAxSignalObject::siblingsReceiveInCreationOrder()
{
    AxSignalObject root;
    QStringList order;
    for (const QString &name : QStringList{"first", "second", "third"}) {
        auto *relay = new AxSignalObject(&root);
        connect(relay, &AxSignalObject::_signal_down_update_device_firmware_name, relay,
                [&order, name] { order << name; });
    }
    root._slot_down_update_device_firmware_name(ArdentixDevice());
    QCOMPARE(order, (QStringList{"first", "second", "third"}));
}

void TestAxSignalObject::settingsPointerCopiedAtConstruction()
{
    const CONFIG_SETTINGS first;
    const CONFIG_SETTINGS second;
    AxSignalObject root;
    QCOMPARE(root.settings, nullptr);
    root.settings = &first;
    AxSignalObject early(&root);
    AxSignalObject grandchild(&early);
    root.settings = &second;
    AxSignalObject late(&root);
    QCOMPARE(early.settings, &first);
    QCOMPARE(grandchild.settings, &first);
    QCOMPARE(late.settings, &second);
}

void TestAxSignalObject::relayIsChildOfItsUpstream()
{
    auto *root = new AxSignalObject;
    QPointer<AxSignalObject> relay = new AxSignalObject(root);
    QPointer<AxSignalObject> below = new AxSignalObject(relay);
    QCOMPARE(relay->parent(), root);
    QCOMPARE(relay->upstream.data(), root);
    QCOMPARE(root->upstream.data(), nullptr);
    delete root;
    QVERIFY(relay.isNull());
    QVERIFY(below.isNull());
}

void TestAxSignalObject::queuedStringConnectionsCarryTheTypes()
{
    // As results from other threads arrive: queued, so every argument is copied
    // through the meta-type system by its name.
    AxSignalObject sender;
    AxSignalObject receiver;
    QVERIFY(connect(&sender, SIGNAL(_signal_up_file_send_complete(QString,FILE_TRANSFER_STATE,float,ArdentixDevice)),
                    &receiver, SLOT(_slot_up_file_send_complete(QString,FILE_TRANSFER_STATE,float,ArdentixDevice)),
                    Qt::QueuedConnection));
    QVERIFY(connect(&sender, SIGNAL(_signal_up_vek_advanced_network_support(QString,VEK_NET_SUPPORT)),
                    &receiver, SLOT(_slot_up_vek_advanced_network_support(QString,VEK_NET_SUPPORT)),
                    Qt::QueuedConnection));
    QVERIFY(connect(&sender, SIGNAL(_signal_up_security_status(QString,SECURITY_STATUS,bool)),
                    &receiver, SLOT(_slot_up_security_status(QString,SECURITY_STATUS,bool)),
                    Qt::QueuedConnection));
    QVERIFY(connect(&sender, SIGNAL(_signal_up_json_support(QString,bool,bool)),
                    &receiver, SLOT(_slot_up_json_support(QString,bool)), Qt::QueuedConnection));
    QSignalSpy progress(&receiver, &AxSignalObject::_signal_up_file_send_complete);
    QSignalSpy network(&receiver, &AxSignalObject::_signal_up_vek_advanced_network_support);
    QSignalSpy security(&receiver, &AxSignalObject::_signal_up_security_status);
    QSignalSpy json(&receiver, &AxSignalObject::_signal_up_json_support);

    MessageLog log;
    emit sender._signal_up_file_send_complete("a.bin", FILE_TRANSFER_COMPLETE, 100.0f,
                                              deviceWithMac("AA:BB:CC:DD:EE:01"));
    emit sender._signal_up_vek_advanced_network_support("AA:BB:CC:DD:EE:01", VEK_NET_SUPPORTED);
    emit sender._signal_up_security_status("10.0.0.9", SECURITY_FULL, true);
    emit sender._signal_up_json_support("10.0.0.9", true, true);
    QCOMPARE(progress.count(), 0);

    QTRY_COMPARE(progress.count(), 1);
    QCOMPARE(progress.first().at(1).value<FILE_TRANSFER_STATE>(), FILE_TRANSFER_COMPLETE);
    QCOMPARE(progress.first().at(3).value<ArdentixDevice>().macAddress, QStringLiteral("AA:BB:CC:DD:EE:01"));
    QCOMPARE(network.count(), 1);
    QCOMPARE(network.first().at(1).value<VEK_NET_SUPPORT>(), VEK_NET_SUPPORTED);
    QCOMPARE(security.count(), 1);
    QCOMPARE(security.first().at(1).value<SECURITY_STATUS>(), SECURITY_FULL);
    QCOMPARE(json.count(), 1);
    QCOMPARE(json.first(), (QVariantList{"10.0.0.9", true, false}));
    QVERIFY(log.messages().isEmpty());
}

QTEST_GUILESS_MAIN(TestAxSignalObject)
#include "tst_axsignalobject.moc"
