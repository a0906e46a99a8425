#ifndef DEVICEDATABASELIFECYCLE_H
#define DEVICEDATABASELIFECYCLE_H

#include "axtypes.h"

#include <QString>

// How one maintenance pass moves a row on through new, online, lost and offline,
// decided from its state and times against cut-offs taken once for the whole pass.
// A time equal to a cut-off never moves a row.
class DeviceDatabaseLifeCycle
{
public:
    enum Step {
        Unchanged,
        NewToOnline,           // the new period is over
        OnlineNeverHeard,      // stored without any traffic since: offline, silently
        OnlineToLost,          // neither VEK nor IP traffic within the lost timeout
        LostToOnline,          // heard again within the lost timeout
        LostToOffline,         // nothing within the offline period
        LostToOnlineToOffline, // both at once, when the offline period is the shorter
        OfflineToNew           // heard again within the lost timeout
    };

    // What the decision is made on, without the rest of the row.
    struct Row {
        QString macAddress;
        int discoveryState;
        quint64 discoveryTime;
        quint64 lastVekCommTime;
        quint64 lastIpCommTime;
        bool favorite;
        bool ipConnectivity;
        bool duplicateIpAddress;
    };

    DeviceDatabaseLifeCycle(qint64 now, int lostAfterMs, int offlineAfterMs, int newPeriodMs);

    quint64 now() const;
    // Online rows heard after this time are left as they are: no pass needs to read them.
    qint64 heardAfter() const;
    Step step(const Row &row) const;
    static DISCOVERY_STATE stateAfter(Step step, int state);

private:
    quint64 m_now;
    quint64 m_lostCut;
    quint64 m_offlineCut;
    quint64 m_newCut;
};

#endif // DEVICEDATABASELIFECYCLE_H
