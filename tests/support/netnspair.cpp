#include "netnspair.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

namespace {

const char *const kNamespaceDir = "/var/run/netns/";
const QString kPrefix = QStringLiteral("axt");

int nextPairNumber()
{
    static int counter = 0;
    return counter++;
}

} // namespace

NetnsPair::NetnsPair()
    : m_tag(QString::number(QCoreApplication::applicationPid()) + "x" + QString::number(nextPairNumber()))
{
    m_originalNamespace = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
}

NetnsPair::~NetnsPair()
{
    tearDown();
    if (m_originalNamespace >= 0)
        ::close(m_originalNamespace);
}

QString NetnsPair::unavailableReason()
{
    if (::geteuid() != 0)
        return QStringLiteral("network namespaces need root (this test runs as uid %1)").arg(::geteuid());
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        return QStringLiteral("the 'ip' program (iproute2) is not installed");
    return QString();
}

bool NetnsPair::setUp(QString *error)
{
    sweepStaleNamespaces();
    tearDown();
    const QString a = namespaceName(A);
    const QString b = namespaceName(B);
    const QString ifA = interfaceName(A);
    const QString ifB = interfaceName(B);
    m_created = true;
    const QList<QStringList> steps = {
        {"netns", "add", a},
        {"netns", "add", b},
        {"-n", a, "link", "add", ifA, "type", "veth", "peer", "name", ifB, "netns", b},
        {"-n", a, "link", "set", ifA, "address", macAddress(A).toLower()},
        {"-n", b, "link", "set", ifB, "address", macAddress(B).toLower()},
        {"-n", a, "addr", "add", ipAddress(A) + "/24", "dev", ifA},
        {"-n", b, "addr", "add", ipAddress(B) + "/24", "dev", ifB},
        {"-n", a, "link", "set", "lo", "up"},
        {"-n", b, "link", "set", "lo", "up"},
        {"-n", a, "link", "set", ifA, "up"},
        {"-n", b, "link", "set", ifB, "up"},
        {"-n", a, "route", "add", "default", "dev", ifA},
        {"-n", b, "route", "add", "default", "dev", ifB},
    };
    for (const QStringList &step : steps) {
        if (!runIp(step, error)) {
            tearDown();
            return false;
        }
    }
    return true;
}

void NetnsPair::tearDown()
{
    if (!m_created)
        return;
    leave();
    runIp({"netns", "del", namespaceName(A)}, nullptr);
    runIp({"netns", "del", namespaceName(B)}, nullptr);
    m_created = false;
}

bool NetnsPair::addAddress(Side side, const QString &cidr, QString *error)
{
    return runIp({"-n", namespaceName(side), "addr", "add", cidr, "dev", interfaceName(side)}, error);
}

bool NetnsPair::enter(Side side, QString *error)
{
    const QByteArray path = QByteArray(kNamespaceDir) + namespaceName(side).toLatin1();
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("cannot open %1").arg(QString::fromLatin1(path));
        return false;
    }
    const bool entered = ::setns(fd, CLONE_NEWNET) == 0;
    ::close(fd);
    if (!entered && error)
        *error = QStringLiteral("setns into %1 failed").arg(namespaceName(side));
    return entered;
}

bool NetnsPair::leave()
{
    return m_originalNamespace >= 0 && ::setns(m_originalNamespace, CLONE_NEWNET) == 0;
}

QString NetnsPair::namespaceName(Side side) const
{
    return kPrefix + m_tag + (side == A ? "a" : "b");
}

QString NetnsPair::interfaceName(Side side) const
{
    return QStringLiteral("ax%1%2").arg(side == A ? "a" : "b", m_tag).left(15);
}

QString NetnsPair::macAddress(Side side) const
{
    return side == A ? QStringLiteral("02:00:0A:4D:00:01") : QStringLiteral("02:00:0A:4D:00:02");
}

QString NetnsPair::ipAddress(Side side) const
{
    return side == A ? QStringLiteral("10.77.0.1") : QStringLiteral("10.77.0.2");
}

QString NetnsPair::execProgram() const
{
    return QStringLiteral("ip");
}

QStringList NetnsPair::execArguments(Side side, const QString &program, const QStringList &arguments) const
{
    return QStringList{"netns", "exec", namespaceName(side), program} + arguments;
}

bool NetnsPair::run(Side side, const QString &program, const QStringList &arguments,
                    QString *output, int timeoutMs) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(execProgram(), execArguments(side, program, arguments));
    const bool finished = process.waitForFinished(timeoutMs);
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    if (!finished) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool NetnsPair::runIp(const QStringList &arguments, QString *error)
{
    QProcess ip;
    ip.setProcessChannelMode(QProcess::MergedChannels);
    ip.start(QStringLiteral("ip"), arguments);
    if (!ip.waitForFinished(10000)) {
        ip.kill();
        ip.waitForFinished();
        if (error)
            *error = "ip " + arguments.join(' ') + ": did not finish";
        return false;
    }
    if (ip.exitStatus() != QProcess::NormalExit || ip.exitCode() != 0) {
        if (error)
            *error = "ip " + arguments.join(' ') + ": " + QString::fromLocal8Bit(ip.readAll()).trimmed();
        return false;
    }
    return true;
}

void NetnsPair::sweepStaleNamespaces()
{
    static const QRegularExpression ours(QStringLiteral("^axt(\\d+)x\\d+[ab]$"));
    const QStringList names = QDir(QString::fromLatin1(kNamespaceDir)).entryList(QDir::Files | QDir::System);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = ours.match(name);
        if (!match.hasMatch())
            continue;
        const pid_t owner = match.captured(1).toInt();
        if (owner != ::getpid() && ::kill(owner, 0) != 0)
            runIp({"netns", "del", name}, nullptr);
    }
}
