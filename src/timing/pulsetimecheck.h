#pragma once

#include <QDateTime>

#include <cstdint>

#include "offsetrun.h"

// Whether the time a receiver gave belongs to the 1PPS pulse it followed. Each time is
// held as its offset from the steady time of the edge before it (the time given less the
// edge's steady ms). A receiver names the second of its pulse, whenever its message
// comes, so these offsets stay within a few ms of each other. A time whose offset lies a
// whole second off their run came after the next pulse (a second sent late), or after a
// pulse that was missed: it belongs to no pulse, and the PC clock is not set from it.
//
// At a tick the time taken since the pulse before it, and one second, are the tick's
// second only when that pulse was the one just before (no pulse missed between) and the
// time fitted the run.
class PulseTimeCheck
{
public:
    // Takes a time a message has just given, after the pulse whose edge the port saw at
    // edgeMs (steady ms; negative while no edge was seen).
    void Take(const QDateTime& given, int64_t edgeMs);
    // Another receiver, or none: nothing given before counts.
    void Forget();
    // At the pulse whose edge the port saw at edgeMs: whether the last time taken named
    // the second of the pulse just before it, so that one second on it names this one.
    bool NamesPulseBefore(int64_t edgeMs) const;

    // How many agreeing times make a run. As many in a row that agree with each other
    // but not with the run move it there: a receiver whose second really moved against
    // its pulse. A leap second moves it at once, at the end of a UTC month.
    static constexpr size_t kRunLength = OffsetRun::kLength;

private:
    // Offsets that belong together differ by the jitter of the edge's steady time; ones
    // that do not, by a whole second. Half a second lies safely between.
    OffsetRun run{500};
    QDateTime lastFitted;           // the last time that fitted the run, or started it
    int64_t lastEdgeMs = -1;        // the edge before the last time taken
    bool bLastFits = false;         // the last time taken fitted an earlier time's offset
};
