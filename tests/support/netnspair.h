#ifndef NETNSPAIR_H
#define NETNSPAIR_H

#include <QString>
#include <QStringList>

// Two network namespaces joined by a veth pair, for tests that cross a real
// network: the toolbox side lives in A, the gateway emulator in B.
// A: interface with MAC 02:00:0a:4d:00:01 and 10.77.0.1/24
// B: interface with MAC 02:00:0a:4d:00:02 and 10.77.0.2/24
// Both sides have loopback up and a default route through their veth end, so
// broadcasts to 255.255.255.255 leave through the pair.
// The namespaces are removed by the destructor, and namespaces left behind by
// a test process that died are swept away by the next setUp().
class NetnsPair
{
public:
    enum Side { A, B };

    NetnsPair();
    ~NetnsPair();

    NetnsPair(const NetnsPair &) = delete;
    NetnsPair &operator=(const NetnsPair &) = delete;

    // Empty when this process may create namespaces, else why it may not.
    static QString unavailableReason();

    bool setUp(QString *error);
    void tearDown();

    bool addAddress(Side side, const QString &cidr, QString *error);

    // Moves the calling thread (and every thread it starts afterwards) into the
    // side's namespace; leave() returns it to the namespace it came from.
    bool enter(Side side, QString *error);
    bool leave();

    QString namespaceName(Side side) const;
    QString interfaceName(Side side) const;
    QString macAddress(Side side) const;   // upper case, ':'-joined
    QString ipAddress(Side side) const;

    // Program and arguments that run `program` inside the side's namespace.
    QString execProgram() const;
    QStringList execArguments(Side side, const QString &program, const QStringList &arguments) const;

    // Runs a command inside the side's namespace and waits for it.
    bool run(Side side, const QString &program, const QStringList &arguments,
             QString *output = nullptr, int timeoutMs = 10000) const;

private:
    static bool runIp(const QStringList &arguments, QString *error);
    static void sweepStaleNamespaces();

    QString m_tag;
    bool m_created = false;
    int m_originalNamespace = -1;
};

// Skips the calling test function with the reason when namespaces can't be made.
#define AX_REQUIRE_NETNS(pair)                                              \
    do {                                                                    \
        const QString axReason = NetnsPair::unavailableReason();            \
        if (!axReason.isEmpty())                                            \
            QSKIP(qPrintable(axReason));                                    \
        QString axError;                                                    \
        if (!(pair).setUp(&axError))                                        \
            QSKIP(qPrintable("network namespaces could not be made: " + axError)); \
    } while (false)

#endif // NETNSPAIR_H
