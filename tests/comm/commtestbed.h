#ifndef COMMTESTBED_H
#define COMMTESTBED_H

#include "gatewaytestbed.h"

#include "model/axmetatypes.h"
#include "model/axsignalobject.h"

// The test bed of the communications suites, with the root relay of the signal
// bus that the controller would own. The relay goes first, then the emulators
// and the namespaces.
class CommTestBed : public GatewayTestBed
{
public:
    CommTestBed() { registerAxMetaTypes(); }

    AxSignalObject root;
};

#endif // COMMTESTBED_H
