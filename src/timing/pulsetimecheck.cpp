// Checks that a receiver time and the 1PPS pulse it followed belong together before the
// next pulse sets the PC clock from it.

#include "pulsetimecheck.h"

#include "receivertimecheck.h"

#include <algorithm>

namespace {

// Offsets that belong together differ by the jitter of the edge's steady time; ones
// that do not, by a whole second. Half a second lies safely between.
constexpr int64_t kHalfSecondMs = 500;

// The pulse just before a tick's edge lies a second before it; one two seconds before
// means a pulse in between was not seen. The port lets no edge through within 0.9 s of
// the last.
constexpr int64_t kNextPulseMinMs = 500;
constexpr int64_t kNextPulseMaxMs = 1500;

constexpr int64_t kSecondMs = 1000;

}  // namespace

bool PulseTimeCheck::Fits(const std::deque<int64_t>& offsets, int64_t offsetMs)
{
    const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
    return offsets.empty() || (offsetMs > *high - kHalfSecondMs && offsetMs < *low + kHalfSecondMs);
}

void PulseTimeCheck::Take(const QDateTime& given, int64_t edgeMs)
{
    bLastFits = false;
    lastEdgeMs = edgeMs;
    if (!given.isValid() || edgeMs < 0)
        return;
    const int64_t offsetMs = given.toMSecsSinceEpoch() - edgeMs;
    // A second added at a month's end names the pulses after it a second short of the
    // run; one taken out, a second ahead.
    if (!run.empty() && !Fits(run, offsetMs) && ReceiverTimeCheck::MonthEnded(lastFitted, given)) {
        for (const int64_t stepMs : {-kSecondMs, kSecondMs}) {
            if (!Fits(run, offsetMs - stepMs))
                continue;
            for (int64_t& offset : run)
                offset += stepMs;
            break;
        }
    }
    if (!run.empty() && Fits(run, offsetMs)) {
        bLastFits = true;
        run.push_back(offsetMs);
        candidate.clear();
    } else {
        if (!Fits(candidate, offsetMs))
            candidate.clear();
        candidate.push_back(offsetMs);
        // Two times in a row that agree start a run where there is none: the first
        // time after a start may be a second sent late, and the one after it on time.
        // Where there is one, a second sent late now and then stays out; a run's worth
        // in a row is the receiver's second moved against its pulse.
        if (candidate.size() < (run.empty() ? 2 : kRunLength))
            return;
        run.swap(candidate);
        candidate.clear();
        bLastFits = true;
    }
    lastFitted = given;
    while (run.size() > kRunLength)
        run.pop_front();
}

void PulseTimeCheck::Forget()
{
    run.clear();
    candidate.clear();
    lastFitted = QDateTime();
    lastEdgeMs = -1;
    bLastFits = false;
}

bool PulseTimeCheck::NamesPulseBefore(int64_t edgeMs) const
{
    const int64_t sinceMs = edgeMs - lastEdgeMs;
    return bLastFits && lastEdgeMs >= 0 && sinceMs >= kNextPulseMinMs && sinceMs <= kNextPulseMaxMs;
}
