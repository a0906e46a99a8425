#ifndef URLRECORDER_H
#define URLRECORDER_H

#include <QObject>
#include <QStringList>
#include <QUrl>

// Stands for the desktop's default URL handler (QDesktopServices::setUrlHandler
// with the slot "open"), so no test starts a real browser.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QStringList urls;

public slots:
    void open(const QUrl &url) { urls << url.toString(); }
};

#endif // URLRECORDER_H
