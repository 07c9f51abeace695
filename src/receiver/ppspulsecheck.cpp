#include "ppspulsecheck.h"

#include <cstdlib>

namespace {

// The steady clock and the receiver's seconds drift apart by far less than this per
// second of a gap (100 ppm): the slack grows with it.
constexpr int64_t kSlackPerSecondUs = 100;

// A pulse gone this long may come back at another place in the steady clock's second:
// its series is no longer known, and what comes is taken as at the start. Until then
// the slack stays well below the distance of the nearest extra edges seen in the field.
constexpr int64_t kForgetMs = 60000;

}  // namespace

void PpsPulseCheck::Expect(int64_t nowMs)
{
    bExpecting = true;
    dueMs = nowMs;
}

void PpsPulseCheck::StopExpecting() { bExpecting = false; }

void PpsPulseCheck::Forget()
{
    bExpecting = false;
    pulse = Series{};
    other = Series{};
    bDoubt = false;
}

bool PpsPulseCheck::Fits(const Series& series, int64_t ms)
{
    if (series.lastMs < 0 || ms - series.lastMs < 500)
        return false;
    const int64_t seconds = (ms - series.lastMs + 500) / 1000;
    const int64_t slack = kSlackMs + seconds * kSlackPerSecondUs / 1000;
    return std::abs(ms - series.lastMs - seconds * 1000) <= slack;
}

bool PpsPulseCheck::Bounces(const Series& series, int64_t ms)
{
    return series.lastMs >= 0 && ms >= series.lastMs && ms - series.lastMs < kBounceMs;
}

PpsPulseCheck::Verdict PpsPulseCheck::Edge(int64_t ms)
{
    Look(ms);
    if (pulse.lastMs >= 0 && ms - pulse.lastMs > kForgetMs) {
        pulse = Series{};
        other = Series{};
        bDoubt = false;
    }
    if (pulse.lastMs < 0 || Fits(pulse, ms)) {
        pulse.lastMs = ms;
        ++pulse.edges;
        dueMs = ms + 1000;
        return Verdict::Pulse;
    }
    if (Bounces(pulse, ms) || Bounces(other, ms))
        return Verdict::Bounce;
    if (Fits(other, ms)) {
        other.lastMs = ms;
        ++other.edges;
    } else {
        other = Series{ms, 1};
    }
    if (other.edges < 2)
        return Verdict::Glitch;
    // A second series. Where the pulse came alone long enough, it keeps its place, also
    // while it is missing. Where it came too few times to be known, and has stopped, the
    // other is the pulse; where it goes on, either may be.
    const bool bPulseKnown = pulse.edges >= kAloneEdges && !bDoubt;
    if (!bPulseKnown && ms - pulse.lastMs > kStoppedMs) {
        pulse = other;
        other = Series{};
        bDoubt = false;
        dueMs = ms + 1000;
        return Verdict::Pulse;
    }
    if (bPulseKnown)
        return Verdict::Other;
    bDoubt = true;
    // In doubt, a second whose edge of the first series did not come takes its tick
    // from the other: the logs keep one a second, and no set is made from either.
    if (ms - pulse.lastMs > 1000 + kSlackMs) {
        dueMs = ms + 1000;
        return Verdict::Pulse;
    }
    return Verdict::Other;
}

void PpsPulseCheck::Look(int64_t nowMs)
{
    if (other.lastMs >= 0 && nowMs - other.lastMs > kStoppedMs) {
        other = Series{};
        bDoubt = false;
    }
    if (bDoubt && nowMs - pulse.lastMs > kStoppedMs) {
        // The series that gave the ticks stopped: the other is the pulse, due a second
        // after its last edge.
        pulse = other;
        other = Series{};
        bDoubt = false;
        dueMs = pulse.lastMs + 1000;
    }
}

int64_t PpsPulseCheck::MissingSince(int64_t nowMs) const
{
    return bExpecting && nowMs - dueMs > kMissingMs ? dueMs : -1;
}

bool PpsPulseCheck::InDoubt() const
{
    // One edge is no series yet; nor are a few while an edge of no series is about.
    return bDoubt || (pulse.lastMs >= 0 && pulse.edges < 2) ||
           (other.lastMs >= 0 && pulse.edges < kAloneEdges);
}

int64_t PpsPulseCheck::OtherSeriesOffsetMs() const
{
    if (other.edges < 2 || pulse.lastMs < 0)
        return -1;
    return ((other.lastMs - pulse.lastMs) % 1000 + 1000) % 1000;
}
