#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtTest>

// The files the program reads from its working directory must be installed beside it,
// readable in the form the windows load them.
class tst_RuntimeFiles : public QObject
{
    Q_OBJECT

private slots:
    void imageLoads_data();
    void imageLoads();
    void styleSheetsAndPages_data();
    void styleSheetsAndPages();

private:
    static QString runPath(const QString &relative)
    {
        return QStringLiteral(AX_BINARY_DIR "/run/") + relative;
    }
};

void tst_RuntimeFiles::imageLoads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    const QSize icon(16, 16);
    const QSize page(1024, 718);
    const QList<QPair<QString, QSize>> images = {
        {"icon.ico", QSize(48, 48)}, {"blank.png", icon}, {"button_plus1.png", icon},
        {"button_plus2.png", icon}, {"button_star1.png", icon}, {"button_star2.png", icon},
        {"icon_remote.png", icon}, {"button_colour1.png", icon}, {"button_colour2.png", icon},
        {"button_colour3.png", icon}, {"button_colour4.png", icon}, {"button_colour5.png", icon},
        {"warning.png", icon}, {"alert.png", icon}, {"mini_kovnet.png", icon},
        {"recovery.png", icon}, {"diagnose.png", icon}, {"green_lock.png", icon},
        {"yellow_lock.png", icon}, {"grey_lock.png", icon}, {"new_device.png", QSize(44, 18)},
        {"lost_device.png", QSize(44, 18)}, {"logo.png", QSize(72, 56)},
        {"splash.jpg", page}, {"tour_p1_secure.jpg", page}, {"tour_p2.jpg", page},
    };
    for (const auto &image : images)
        QTest::newRow(qPrintable(image.first)) << image.first << image.second;
}

void tst_RuntimeFiles::imageLoads()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QImageReader reader(runPath("images/" + name));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.fileName() + ": " + reader.errorString()));
    QCOMPARE(image.size(), size);
}

void tst_RuntimeFiles::styleSheetsAndPages_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mustHold");
    QTest::newRow("title frame") << "style/LogoFrame.qss" << "#menuFrame";
    QTest::newRow("device table") << "style/deviceTableView.qss" << "QHeaderView::section";
    QTest::newRow("help page") << "help/ax_help.htm" << "href=\"internal/startup\"";
    QTest::newRow("contact page") << "contact/ardentix_contact.htm" << "</html>";
}

void tst_RuntimeFiles::styleSheetsAndPages()
{
    QFETCH(QString, path);
    QFETCH(QString, mustHold);
    QFile file(runPath(path));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName() + ": " + file.errorString()));
    const QByteArray content = file.readAll();
    // The windows read these files as Latin-1: keep them plain ASCII.
    for (char c : content)
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, qPrintable(path + " holds a non-ASCII byte"));
    QVERIFY(content.contains(mustHold.toLatin1()));
}

QTEST_GUILESS_MAIN(tst_RuntimeFiles)
#include "tst_runtimefiles.moc"
