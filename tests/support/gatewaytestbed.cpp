#include "gatewaytestbed.h"

#include <QDebug>

GatewayTestBed::GatewayTestBed() = default;

GatewayTestBed::~GatewayTestBed()
{
    m_emulators.clear();  // killed before their namespace goes
    m_pair.tearDown();
}

QString GatewayTestBed::setUp()
{
    const QString reason = NetnsPair::unavailableReason();
    if (!reason.isEmpty())
        return reason;
    if (!m_sandbox.isValid())
        return QStringLiteral("the test sandbox could not be made");
    QString error;
    if (!m_pair.setUp(&error))
        return QStringLiteral("network namespaces could not be made: ") + error;
    if (!m_pair.enter(NetnsPair::A, &error))
        return QStringLiteral("could not enter the toolbox namespace: ") + error;
    return QString();
}

bool GatewayTestBed::startEmulator(const QStringList &arguments, QString *error)
{
    QStringList all = arguments;
    if (!all.contains(QStringLiteral("--base-ip")))
        all = QStringList{QStringLiteral("--base-ip"), gatewayAddress()} + all;
    auto emulator = std::make_unique<EmulatorProcess>();
    QString why;
    if (!emulator->start(m_pair, NetnsPair::B, AX_EMULATOR_PATH, all, &why)) {
        qWarning() << "emulator:" << why;
        if (error)
            *error = why;
        return false;
    }
    m_emulators.push_back(std::move(emulator));
    return true;
}

EmulatorProcess &GatewayTestBed::emulator()
{
    return emulator(0);
}

EmulatorProcess &GatewayTestBed::emulator(int index)
{
    return *m_emulators.at(size_t(index));
}

int GatewayTestBed::countLines(const QString &pattern) const
{
    return m_emulators.empty() ? 0 : m_emulators.front()->countLines(QRegularExpression(pattern));
}

QString GatewayTestBed::gatewayAddress() const
{
    return m_pair.ipAddress(NetnsPair::B);
}

QString GatewayTestBed::toolboxAddress() const
{
    return m_pair.ipAddress(NetnsPair::A);
}
