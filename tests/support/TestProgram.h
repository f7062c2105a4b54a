#pragma once

#include "ManualClock.h"
#include "ManualEventPump.h"
#include "RecordingTrace.h"
#include "base/UptimeCounter.h"
#include "log/ErrorReport.h"
#include "model/ProgramState.h"

// A fresh program for one test: state, manual clock and pump, recorded trace and
// the real error report on top of them.
struct TestProgram {
    ProgramState state;
    ManualClock clock;
    ManualEventPump events{clock};
    RecordingTrace trace;
    UptimeCounter uptime{clock};
    ErrorReport errors{state, trace, clock, events};
};
