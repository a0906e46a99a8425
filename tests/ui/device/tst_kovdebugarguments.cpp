// The capture tool's command lines: what the tool is told to do for each test.
#include "ui/device/diagnostics/kovdebugarguments.h"

#include <QtTest>

class tst_KovdebugArguments : public QObject
{
    Q_OBJECT

private slots:
    void quitPeriod_data();
    void quitPeriod();
    void snapshotDependsOnCoreFirmware();
    void serialCaptureChannels();
    void additionalFlagsKeepEmptyPieces_data();
    void additionalFlagsKeepEmptyPieces();
    void messageLogTakesNoFlags();
    void logLineQuotesEveryArgument();

private:
    const QHostAddress ip{QStringLiteral("10.77.0.2")};
};

void tst_KovdebugArguments::quitPeriod_data()
{
    QTest::addColumn<QTime>("period");
    QTest::addColumn<QString>("argument");
    QTest::newRow("nothing") << QTime(0, 0, 0) << "-qs1";
    QTest::newRow("five minutes") << QTime(0, 5, 0) << "-qs301";
    QTest::newRow("just under an hour") << QTime(0, 59, 59) << "-qs3600";
    QTest::newRow("an hour") << QTime(1, 0, 0) << "-qm60";
    QTest::newRow("seconds dropped") << QTime(1, 30, 59) << "-qm91";
    QTest::newRow("an hour and a half") << QTime(1, 30, 0) << "-qm90";
    // The longest period must not wrap round to a capture of nothing.
    QTest::newRow("longest") << QTime(23, 59, 59) << "-qm1440";
}

void tst_KovdebugArguments::quitPeriod()
{
    QFETCH(QTime, period);
    QFETCH(QString, argument);
    QCOMPARE(KovdebugArguments::quitPeriod(period), argument);
    QCOMPARE(KovdebugArguments::serialCapture(ip, true, period, {}).at(3), argument);
}

void tst_KovdebugArguments::snapshotDependsOnCoreFirmware()
{
    QCOMPARE(KovdebugArguments::snapshot(ip, true, true, {}),
             QStringList({"-i10.77.0.2", "-d14578", "-qs0"}));
    QCOMPARE(KovdebugArguments::snapshot(ip, true, false, {}),
             QStringList({"-i10.77.0.2", "-d1458", "-qs0"}));
    QCOMPARE(KovdebugArguments::snapshot(ip, false, true, {}),
             QStringList({"-i10.77.0.2", "-d14", "-qs0"}));
    QCOMPARE(KovdebugArguments::snapshot(ip, false, false, {"-x"}),
             QStringList({"-i10.77.0.2", "-d14", "-qs0", "-x"}));
}

void tst_KovdebugArguments::serialCaptureChannels()
{
    QCOMPARE(KovdebugArguments::serialCapture(ip, true, QTime(0, 5), {}),
             QStringList({"-i10.77.0.2", "-d19", "-zR1[t]R2[t]P1[t]P2[t]P3[t]P4[t]P5[t]P6[t]P7[t]P8[t]S1[t]DH+[t]",
                          "-qs301"}));
    QCOMPARE(KovdebugArguments::serialCapture(ip, false, QTime(0, 5), {"-a", "-b"}),
             QStringList({"-i10.77.0.2", "-d19", "-zR1R2P1P2P3P4P5P6P7P8S1DH+", "-qs301", "-a", "-b"}));
}

void tst_KovdebugArguments::additionalFlagsKeepEmptyPieces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("flags");
    QTest::newRow("empty") << "" << QStringList{""};
    QTest::newRow("one") << "-v" << QStringList{"-v"};
    QTest::newRow("two blanks") << "-a  -b" << QStringList{"-a", "", "-b"};
    QTest::newRow("trailing blank") << "-a " << QStringList{"-a", ""};
}

void tst_KovdebugArguments::additionalFlagsKeepEmptyPieces()
{
    QFETCH(QString, text);
    QFETCH(QStringList, flags);
    QCOMPARE(KovdebugArguments::splitAdditionalFlags(text), flags);
}

void tst_KovdebugArguments::messageLogTakesNoFlags()
{
    QCOMPARE(KovdebugArguments::messageLog(ip), QStringList({"-i10.77.0.2", "-d19", "-l3", "-qs121"}));
}

void tst_KovdebugArguments::logLineQuotesEveryArgument()
{
    QCOMPARE(KovdebugArguments::logLine(QStringLiteral("Snapshot: "), {"-i1.2.3.4", "", "-qs0"}),
             QStringLiteral("Snapshot: (\"-i1.2.3.4\", \"\", \"-qs0\")"));
}

QTEST_APPLESS_MAIN(tst_KovdebugArguments)
#include "tst_kovdebugarguments.moc"
