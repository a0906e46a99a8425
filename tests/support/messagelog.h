#ifndef MESSAGELOG_H
#define MESSAGELOG_H

#include <QList>
#include <QMutex>
#include <QString>
#include <QtGlobal>

// Collects the Qt messages written while it lives, so a test can tell whether a
// message was logged at all (QTest::ignoreMessage only checks the ones expected).
// contains() may be asked while another thread logs.
class MessageLog
{
public:
    MessageLog() { s_current = this; s_previous = qInstallMessageHandler(&MessageLog::record); }
    ~MessageLog() { qInstallMessageHandler(s_previous); s_current = nullptr; }

    const QList<QString> &messages() const { return m_messages; }
    bool contains(const QString &part) const
    {
        QMutexLocker locker(&m_mutex);
        for (const QString &message : m_messages) {
            if (message.contains(part))
                return true;
        }
        return false;
    }

private:
    static void record(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        if (s_current) {
            QMutexLocker locker(&s_current->m_mutex);
            s_current->m_messages.append(message);
        }
    }

    mutable QMutex m_mutex;
    QList<QString> m_messages;
    static inline MessageLog *s_current = nullptr;
    static inline QtMessageHandler s_previous = nullptr;
};

#endif // MESSAGELOG_H
