// Which device files the diagnostics fetch: the device's own listing, read into
// the full and the short list, and the built-in list for devices that can't list.
#include "ui/device/diagnostics/devicedirectorylisting.h"
#include "ui/device/diagnostics/standardfilelist.h"

#include <QtTest>

class tst_DeviceFileLists : public QObject
{
    Q_OBJECT

private slots:
    void typicalListing();
    void entriesByKindAndName_data();
    void entriesByKindAndName();
    void readsOnlyUpToTheFirstSubfolder();
    void linesBeforeTheRootHeaderCount();
    void stopsAtTheFirstZeroByte();
    void refusesNamesThatLeaveTheFolder();
    void standardListEndsWithTheModelsFile();
};

void tst_DeviceFileLists::typicalListing()
{
    const QByteArray listing =
        "./:\r\n"
        "-rw-r--r--    1 root     root          1183 Jan  1 00:00 config.csv\r\n"
        "-rw-r--r--    1 root     root           211 Jan  1 00:00 ax_tcp.ini\r\n"
        "-rw-r--r--    1 root     root          4096 Jan  1 00:01 snapshot.log\r\n"
        "drwxr-xr-x    2 root     root             0 Jan  1 00:00 logs\r\n"
        "-rwxr-xr-x    1 root     root         50211 Jan  1 00:00 README\r\n"
        "total 57\r\n"
        "\r\n"
        "./logs:\r\n"
        "-rw-r--r--    1 root     root            10 Jan  1 00:00 old.csv\r\n";
    const DeviceDirectoryListing parsed(listing);
    QCOMPARE(parsed.fullFileList(), QStringList({"config.csv", "ax_tcp.ini", "snapshot.log", "README"}));
    QCOMPARE(parsed.shortFileList(), QStringList({"config.csv", "snapshot.log"}));
}

void tst_DeviceFileLists::entriesByKindAndName_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("full");
    QTest::addColumn<QStringList>("shortList");
    QTest::newRow("file without a dot") << QByteArray("-rw-r--r-- 1 a b 3 Jan 1 00:00 kernel")
                                        << QStringList{"kernel"} << QStringList{};
    QTest::newRow("folder with a dot") << QByteArray("drwxr-xr-x 2 a b 0 Jan 1 00:00 web.d")
                                       << QStringList{"web.d"} << QStringList{};
    QTest::newRow("folder without a dot") << QByteArray("drwxr-xr-x 2 a b 0 Jan 1 00:00 web")
                                          << QStringList{} << QStringList{};
    QTest::newRow("csv folder") << QByteArray("drwxr-xr-x 2 a b 0 Jan 1 00:00 old.csv")
                                << QStringList{"old.csv"} << QStringList{};
    QTest::newRow("csv snapshot log") << QByteArray("-rw-r--r-- 1 a b 3 Jan 1 00:00 snapshot.log.csv")
                                      << QStringList{"snapshot.log.csv"}
                                      << QStringList{"snapshot.log.csv", "snapshot.log.csv"};
    QTest::newRow("upper-case extension") << QByteArray("-rw-r--r-- 1 a b 3 Jan 1 00:00 TAGS.CSV")
                                          << QStringList{"TAGS.CSV"} << QStringList{};
    QTest::newRow("name with a slash") << QByteArray("lrwxrwxrwx 1 a b 3 Jan 1 00:00 x.ini -> /etc/x.ini")
                                       << QStringList{} << QStringList{};
    QTest::newRow("summary line") << QByteArray("total 57") << QStringList{} << QStringList{};
}

void tst_DeviceFileLists::entriesByKindAndName()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, full);
    QFETCH(QStringList, shortList);
    const DeviceDirectoryListing parsed("./:\n" + line + "\n");
    QCOMPARE(parsed.fullFileList(), full);
    QCOMPARE(parsed.shortFileList(), shortList);
}

void tst_DeviceFileLists::readsOnlyUpToTheFirstSubfolder()
{
    const DeviceDirectoryListing parsed(".:\n-rw-r--r-- 1 a b 3 Jan 1 00:00 a.csv\n"
                                        "./sub:\n-rw-r--r-- 1 a b 3 Jan 1 00:00 b.csv\n"
                                        "./:\n-rw-r--r-- 1 a b 3 Jan 1 00:00 c.csv\n");
    QCOMPARE(parsed.fullFileList(), QStringList({"a.csv"}));
}

void tst_DeviceFileLists::linesBeforeTheRootHeaderCount()
{
    const DeviceDirectoryListing parsed("-rw-r--r-- 1 a b 3 Jan 1 00:00 early.csv\n./:\n"
                                        "-rw-r--r-- 1 a b 3 Jan 1 00:00 late.csv\n");
    QCOMPARE(parsed.shortFileList(), QStringList({"early.csv", "late.csv"}));
}

void tst_DeviceFileLists::stopsAtTheFirstZeroByte()
{
    QByteArray listing("./:\n-rw-r--r-- 1 a b 3 Jan 1 00:00 a.csv\n");
    listing += '\0';
    listing += "-rw-r--r-- 1 a b 3 Jan 1 00:00 b.csv\n";
    QCOMPARE(DeviceDirectoryListing(listing).fullFileList(), QStringList({"a.csv"}));
}

void tst_DeviceFileLists::refusesNamesThatLeaveTheFolder()
{
    // Each name becomes a file of the run's folder on the PC.
    const DeviceDirectoryListing parsed("./:\n"
                                        "drwxr-xr-x 3 a b 0 Jan 1 00:00 .\n"
                                        "drwxr-xr-x 3 a b 0 Jan 1 00:00 ..\n"
                                        "-rw-r--r-- 1 a b 3 Jan 1 00:00 ..\\..\\evil.csv\n"
                                        "-rw-r--r-- 1 a b 3 Jan 1 00:00 C:evil.csv\n"
                                        "-rw-r--r-- 1 a b 3 Jan 1 00:00 \n"
                                        "-rw-r--r-- 1 a b 3 Jan 1 00:00 good.csv\n");
    QCOMPARE(parsed.fullFileList(), QStringList({"good.csv"}));
    QCOMPARE(parsed.shortFileList(), QStringList({"good.csv"}));
}

void tst_DeviceFileLists::standardListEndsWithTheModelsFile()
{
    const QStringList k700 = StandardFileList::fullList(QStringLiteral("AX-K700"), QStringLiteral("fw.bin"));
    QCOMPARE(k700.size(), 40);
    QCOMPARE(k700.first(), QStringLiteral("config.csv"));
    QVERIFY(k700.contains(QStringLiteral("dirlist.txt")));
    QVERIFY(k700.contains(QStringLiteral("ax_tcp.ini")));
    QCOMPARE(k700.last(), QStringLiteral("bootmenu.exe"));
    QCOMPARE(StandardFileList::fullList(QStringLiteral("AX-V60"), QString()).last(),
             QStringLiteral("bootmenu.exe"));
    QCOMPARE(StandardFileList::fullList(QStringLiteral("AX-K7000"), QStringLiteral("k7.bin")).last(),
             QStringLiteral("k7.bin"));
    QCOMPARE(StandardFileList::fullList(QStringLiteral("ax-k700"), QString()).last(), QString());
    QCOMPARE(StandardFileList::shortList(), QStringList({"config.csv"}));
}

QTEST_APPLESS_MAIN(tst_DeviceFileLists)
#include "tst_devicefilelists.moc"
