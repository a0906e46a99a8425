#ifndef STEADYCOUNT_H
#define STEADYCOUNT_H

#include <QTest>

// Waits until a count read from elsewhere (an emulator's log, say) stays the
// same for a whole span: whatever was on its way has arrived, and nothing more
// came. A busy machine's late arrivals are waited out; a count that keeps
// growing ends in false at the timeout.
template <typename Count>
bool becomesSteady(Count count, int spanMs, int timeoutMs)
{
    return QTest::qWaitFor(
        [&] {
            const auto before = count();
            QTest::qWait(spanMs);
            return count() == before;
        },
        timeoutMs);
}

#endif // STEADYCOUNT_H
