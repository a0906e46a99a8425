#ifndef GATEWAYTESTBED_H
#define GATEWAYTESTBED_H

#include "emulatorprocess.h"
#include "netnspair.h"
#include "testsandbox.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// What an end-to-end suite stands on: its own sandbox (working directory and
// settings store), a namespace pair with the test's thread in side A, and the
// gateway emulator on side B. Make one in init() and drop it in cleanup():
// emulators are killed first, then the thread leaves, the namespaces go and
// the sandbox last.
class GatewayTestBed
{
public:
    GatewayTestBed();
    ~GatewayTestBed();

    GatewayTestBed(const GatewayTestBed &) = delete;
    GatewayTestBed &operator=(const GatewayTestBed &) = delete;

    // Makes the namespaces and enters side A. Empty when ready, else why not.
    QString setUp();

    // Starts an emulator on side B; the first one started is emulator().
    // "--base-ip" with side B's address is put in front unless the arguments
    // name one themselves.
    bool startEmulator(const QStringList &arguments, QString *error = nullptr);
    // The same on another interface of either side, for a network of its own;
    // the arguments name their own "--base-ip".
    bool startEmulatorOn(NetnsPair::Side side, const QString &interfaceName, const QStringList &arguments,
                         QString *error = nullptr);
    EmulatorProcess &emulator();
    EmulatorProcess &emulator(int index);
    int countLines(const QString &pattern) const;  // in the first emulator's output

    // Runs "ip" with the arguments in the side's namespace (more links, addresses).
    bool ip(NetnsPair::Side side, const QStringList &arguments, QString *error = nullptr);
    // The hosts file that programs started in the side through "ip netns exec"
    // read as /etc/hosts; removed with the bed.
    bool writeHosts(NetnsPair::Side side, const QString &lines, QString *error = nullptr);

    TestSandbox &sandbox() { return m_sandbox; }
    const TestSandbox &sandbox() const { return m_sandbox; }
    NetnsPair &pair() { return m_pair; }
    QString gatewayAddress() const;  // side B
    QString toolboxAddress() const;  // side A

private:
    TestSandbox m_sandbox;
    NetnsPair m_pair;
    std::vector<std::unique_ptr<EmulatorProcess>> m_emulators;
    QStringList m_hostsDirs;
};

// Sets the bed up or skips the calling test function with the reason.
#define AX_REQUIRE_TESTBED(bed)                                             \
    do {                                                                    \
        const QString axReason = (bed).setUp();                             \
        if (!axReason.isEmpty())                                            \
            QSKIP(qPrintable(axReason));                                    \
    } while (false)

#endif // GATEWAYTESTBED_H
