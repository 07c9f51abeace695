#include "ppspulsecheck.h"

void PpsPulseCheck::Expect(int64_t nowMs)
{
    bExpecting = true;
    dueMs = nowMs;
}

void PpsPulseCheck::Reset() { bExpecting = false; }

bool PpsPulseCheck::Edge(int64_t ms)
{
    if (lastPulseMs >= 0 && ms - lastPulseMs < kGlitchMs && ms >= lastPulseMs)
        return false;
    lastPulseMs = ms;
    dueMs = ms + 1000;
    return true;
}

int64_t PpsPulseCheck::MissingSince(int64_t nowMs) const
{
    return bExpecting && nowMs - dueMs > kMissingMs ? dueMs : -1;
}
