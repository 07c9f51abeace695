// Checks that a receiver time and the 1PPS pulse it followed belong together before the
// next pulse sets the PC clock from it.

#include "pulsetimecheck.h"

#include "receivertimecheck.h"

namespace {

// The pulse just before a tick's edge lies a second before it; one two seconds before
// means a pulse in between was not seen. The port lets no edge through within 0.9 s of
// the last.
constexpr int64_t kNextPulseMinMs = 500;
constexpr int64_t kNextPulseMaxMs = 1500;

constexpr int64_t kSecondMs = 1000;

}  // namespace

void PulseTimeCheck::Take(const QDateTime& given, int64_t edgeMs)
{
    bLastFits = false;
    lastEdgeMs = edgeMs;
    if (!given.isValid() || edgeMs < 0)
        return;
    const int64_t offsetMs = given.toMSecsSinceEpoch() - edgeMs;
    // A second added at a month's end names the pulses after it a second short of the
    // run; one taken out, a second ahead.
    if (!run.Empty() && !run.Fits(offsetMs) && ReceiverTimeCheck::MonthEnded(lastFitted, given)) {
        for (const int64_t stepMs : {-kSecondMs, kSecondMs}) {
            if (run.Fits(offsetMs - stepMs)) {
                run.Shift(stepMs);
                break;
            }
        }
    }
    if (!run.Empty() && run.Fits(offsetMs)) {
        run.Add(offsetMs);
    } else {
        // Two times in a row that agree start a run where there is none: the first
        // time after a start may be a second sent late, and the one after it on time.
        // Where there is one, a second sent late now and then stays out; a run's worth
        // in a row is the receiver's second moved against its pulse.
        if (!run.Propose(offsetMs, run.Empty() ? 2 : kRunLength))
            return;
    }
    bLastFits = true;
    lastFitted = given;
}

void PulseTimeCheck::Forget()
{
    run.Clear();
    lastFitted = QDateTime();
    lastEdgeMs = -1;
    bLastFits = false;
}

bool PulseTimeCheck::NamesPulseBefore(int64_t edgeMs) const
{
    const int64_t sinceMs = edgeMs - lastEdgeMs;
    return bLastFits && lastEdgeMs >= 0 && sinceMs >= kNextPulseMinMs && sinceMs <= kNextPulseMaxMs;
}
