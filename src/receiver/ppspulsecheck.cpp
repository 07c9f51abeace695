#include "ppspulsecheck.h"

#include <cstdlib>

namespace {

// How far a glitch may lie from a second after the one before to count as the same
// series: the jitter of a look at the line, with room.
constexpr int64_t kSeriesSlackMs = 100;

}  // namespace

void PpsPulseCheck::Expect(int64_t nowMs)
{
    bExpecting = true;
    dueMs = nowMs;
}

void PpsPulseCheck::Reset() { bExpecting = false; }

bool PpsPulseCheck::Edge(int64_t ms)
{
    if (lastPulseMs >= 0 && ms - lastPulseMs < kGlitchMs && ms >= lastPulseMs) {
        lastGlitchMs = ms;
        return false;
    }
    lastPulseMs = ms;
    dueMs = ms + 1000;
    bMessageSincePulse = false;
    return true;
}

bool PpsPulseCheck::Message(int64_t ms)
{
    if (lastPulseMs < 0 || bMessageSincePulse)
        return false;
    bMessageSincePulse = true;
    // A glitch this close after the pulse leaves the next pulse a pulse: nothing to move.
    const bool bLeads = lastGlitchMs > lastPulseMs + (1000 - kGlitchMs) && lastGlitchMs <= ms;
    if (!bLeads) {
        leadSeconds = 0;
        return false;
    }
    const bool bSeries = leadGlitchMs >= 0 && std::llabs(lastGlitchMs - leadGlitchMs - 1000) <= kSeriesSlackMs;
    leadSeconds = bSeries ? leadSeconds + 1 : 1;
    leadGlitchMs = lastGlitchMs;
    if (leadSeconds < kLeadSeconds)
        return false;
    leadSeconds = 0;
    leadGlitchMs = -1;
    lastPulseMs = lastGlitchMs;
    dueMs = lastPulseMs + 1000;
    return true;
}

int64_t PpsPulseCheck::MissingSince(int64_t nowMs) const
{
    return bExpecting && nowMs - dueMs > kMissingMs ? dueMs : -1;
}
