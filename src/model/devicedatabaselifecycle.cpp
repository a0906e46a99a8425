#include "devicedatabaselifecycle.h"

#include <limits>

DeviceDatabaseLifeCycle::DeviceDatabaseLifeCycle(qint64 now, int lostAfterMs, int offlineAfterMs,
                                                 int newPeriodMs)
    : m_now(quint64(now)),
      m_lostCut(quint64(now - lostAfterMs)),
      m_offlineCut(quint64(now - offlineAfterMs)),
      m_newCut(quint64(now - newPeriodMs))
{
}

quint64 DeviceDatabaseLifeCycle::now() const
{
    return m_now;
}

qint64 DeviceDatabaseLifeCycle::heardAfter() const
{
    // A cut-off beyond what a signed time can hold leaves no row out.
    return m_lostCut > quint64(std::numeric_limits<qint64>::max())
        ? std::numeric_limits<qint64>::max()
        : qint64(m_lostCut);
}

DeviceDatabaseLifeCycle::Step DeviceDatabaseLifeCycle::step(const Row &row) const
{
    const quint64 lastVekCommTime = row.lastVekCommTime;
    const quint64 lastIpCommTime = row.lastIpCommTime;
    const bool heardRecently = lastVekCommTime > m_lostCut || lastIpCommTime > m_lostCut;
    switch (row.discoveryState) {
    case DISCOVERY_NEW:
        return row.discoveryTime < m_newCut ? NewToOnline : Unchanged;
    case DISCOVERY_ONLINE:
        if (lastVekCommTime == 0 && lastIpCommTime == 0)
            return OnlineNeverHeard;
        if (lastVekCommTime < m_lostCut && lastIpCommTime < m_lostCut)
            return OnlineToLost;
        return Unchanged;
    case DISCOVERY_LOST: {
        const bool silent = lastVekCommTime < m_offlineCut && lastIpCommTime < m_offlineCut;
        if (heardRecently)
            return silent ? LostToOnlineToOffline : LostToOnline;
        return silent ? LostToOffline : Unchanged;
    }
    case DISCOVERY_OFFLINE:
        return heardRecently ? OfflineToNew : Unchanged;
    default:
        return Unchanged;
    }
}

DISCOVERY_STATE DeviceDatabaseLifeCycle::stateAfter(Step step, int state)
{
    switch (step) {
    case NewToOnline:
    case LostToOnline:
        return DISCOVERY_ONLINE;
    case OnlineToLost:
        return DISCOVERY_LOST;
    case OnlineNeverHeard:
    case LostToOffline:
    case LostToOnlineToOffline:
        return DISCOVERY_OFFLINE;
    case OfflineToNew:
        return DISCOVERY_NEW;
    case Unchanged:
        break;
    }
    return DISCOVERY_STATE(state);
}
