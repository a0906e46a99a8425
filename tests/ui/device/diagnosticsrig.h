#ifndef DIAGNOSTICSRIG_H
#define DIAGNOSTICSRIG_H

#include "diagnosticssandbox.h"
#include "messageboxanswerer.h"

// The diagnostics sandbox for a window: the boxes it opens are answered.
class DiagnosticsRig : public DiagnosticsSandbox
{
public:
    explicit DiagnosticsRig(TestSandbox *shared = nullptr) : DiagnosticsSandbox(shared) {}

    MessageBoxAnswerer boxes;
};

#endif // DIAGNOSTICSRIG_H
