#include "gatewaytestbed.h"

#include <QDebug>
#include <QDir>
#include <QFile>

GatewayTestBed::GatewayTestBed() = default;

GatewayTestBed::~GatewayTestBed()
{
    m_emulators.clear();  // killed before their namespace goes
    m_pair.tearDown();
    for (const QString &dir : std::as_const(m_hostsDirs))
        QDir(dir).removeRecursively();
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
    return startEmulatorOn(NetnsPair::B, m_pair.interfaceName(NetnsPair::B), all, error);
}

bool GatewayTestBed::startEmulatorOn(NetnsPair::Side side, const QString &interfaceName,
                                     const QStringList &arguments, QString *error)
{
    auto emulator = std::make_unique<EmulatorProcess>();
    QString why;
    if (!emulator->start(m_pair, side, interfaceName, AX_EMULATOR_PATH, arguments, &why)) {
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

bool GatewayTestBed::ip(NetnsPair::Side side, const QStringList &arguments, QString *error)
{
    QString output;
    if (m_pair.run(side, QStringLiteral("ip"), arguments, &output))
        return true;
    if (error)
        *error = QStringLiteral("ip ") + arguments.join(QLatin1Char(' ')) + QStringLiteral(": ") + output;
    return false;
}

bool GatewayTestBed::writeHosts(NetnsPair::Side side, const QString &lines, QString *error)
{
    // ip netns exec binds this file over /etc/hosts, and fails where there is none.
    if (!QFile::exists(QStringLiteral("/etc/hosts"))) {
        if (error)
            *error = QStringLiteral("no /etc/hosts for ip netns exec to bind the side's hosts file over "
                                    "(scripts/test writes the standard one)");
        return false;
    }
    const QString dir = QStringLiteral("/etc/netns/") + m_pair.namespaceName(side);
    if (!m_hostsDirs.contains(dir))
        m_hostsDirs << dir;
    QFile hosts(dir + QStringLiteral("/hosts"));
    if (QDir().mkpath(dir) && hosts.open(QIODevice::WriteOnly) && hosts.write(lines.toUtf8()) == lines.toUtf8().size())
        return true;
    if (error)
        *error = QStringLiteral("cannot write ") + hosts.fileName();
    return false;
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
