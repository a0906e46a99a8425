#ifndef RATELIMITEDLOG_H
#define RATELIMITEDLOG_H

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

// Keeps a message that hostile traffic can repeat at will (a dropped frame)
// from flooding the log: one line is let through per interval, the others are
// counted and their number written once the interval has passed. One instance
// is used from one thread.
class RateLimitedLog
{
public:
    // The count line reads "<what>: <count> more in the last <time> ms".
    RateLimitedLog(QtMsgType type, const QString &what, int intervalMs = 1000);

    // One more occurrence: true when its line may be written now.
    bool admit();
    // Writes the count of those held back once the interval has passed.
    void flush();

private:
    void startLine();

    QtMsgType m_type;
    QString m_what;
    int m_intervalMs;
    QElapsedTimer m_sinceLine;
    qint64 m_heldBack = 0;
};

#endif // RATELIMITEDLOG_H
