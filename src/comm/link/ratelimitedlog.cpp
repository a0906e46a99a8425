#include "comm/link/ratelimitedlog.h"

#include <QDebug>

RateLimitedLog::RateLimitedLog(QtMsgType type, const QString &what, int intervalMs)
    : m_type(type)
    , m_what(what)
    , m_intervalMs(intervalMs)
{
}

bool RateLimitedLog::admit()
{
    if (m_sinceLine.isValid() && !m_sinceLine.hasExpired(m_intervalMs)) {
        ++m_heldBack;
        return false;
    }
    startLine();
    return true;
}

void RateLimitedLog::flush()
{
    if (m_heldBack > 0 && m_sinceLine.hasExpired(m_intervalMs))
        startLine();
}

void RateLimitedLog::startLine()
{
    if (m_heldBack > 0) {
        const QString line = QStringLiteral("%1: %2 more in the last %3 ms")
                                 .arg(m_what).arg(m_heldBack).arg(m_sinceLine.elapsed());
        QMessageLogger logger;
        if (m_type == QtDebugMsg)
            logger.debug().noquote() << line;
        else
            logger.warning().noquote() << line;
        m_heldBack = 0;
    }
    m_sinceLine.start();
}
