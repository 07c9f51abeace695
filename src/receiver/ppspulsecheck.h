#pragma once

#include <cstdint>

// What a 1PPS edge is worth, and whether the pulse is missing; times are steady ms. Runs
// in the GUI thread only.
//
// The pulse is a series of edges a second apart: an edge is the pulse's when it comes a
// whole number of seconds after the pulse's last edge, within kSlackMs. Any other edge
// is of another series: a single glitch changes nothing, and an edge that repeats every
// second never takes the pulse's place in silence:
// - A pulse that has come kAloneEdges times before another series appears keeps its
//   place; the other series is said (OtherSeriesOffsetMs) and sets nothing.
// - Two series from the start (the port opened between a pulse and a repeating glitch):
//   the pulse is in doubt (InDoubt). The series seen first goes on giving the ticks (in
//   a second that lacks its edge, the other series' edge does), so that the logs keep
//   one a second, but no tick of a pulse in doubt sets the PC clock. When one series
//   stops, the other is the pulse.
// Edges within kBounceMs after an edge are its bounce, and count for nothing.
class PpsPulseCheck
{
public:
    static constexpr int64_t kMissingMs = 1500;
    static constexpr int64_t kSlackMs = 30;
    static constexpr int64_t kBounceMs = 20;
    // A series whose last edge is this old has stopped.
    static constexpr int64_t kStoppedMs = 1500;
    static constexpr int kAloneEdges = 3;

    enum class Verdict {
        Pulse,   // a tick
        Bounce,  // the line settling just after an edge
        Glitch,  // no series (yet)
        Other,   // of another series that comes every second
    };

    // A line is chosen on an open port: the pulse is due from nowMs.
    void Expect(int64_t nowMs);
    // No line, or no open port: nothing is due, nothing is missing. What is known of the
    // pulse's series is kept for when the port opens again.
    void StopExpecting();
    // Another line: nothing is known of its pulse.
    void Forget();

    Verdict Edge(int64_t ms);
    // Series whose edges no longer come, at nowMs: a doubt ends, a second series is over.
    void Look(int64_t nowMs);

    bool Expecting() const { return bExpecting; }
    // The steady ms since which the pulse is missing at nowMs, or -1 while it is not.
    int64_t MissingSince(int64_t nowMs) const;
    // The steady ms of the last pulse, -1 before any.
    int64_t LastPulseMs() const { return pulse.lastMs; }
    // Two series come, and either may be the pulse; or the pulse has come only once, or
    // fewer than kAloneEdges times with an edge of no series beside it: one edge is no
    // series, and the first edge seen may be the glitch.
    bool InDoubt() const;
    // Where the other series' edges lie after the pulse's (0 to 999 ms) while another
    // series comes every second, -1 while none does.
    int64_t OtherSeriesOffsetMs() const;

private:
    struct Series
    {
        int64_t lastMs = -1;
        int edges = 0;
    };
    static bool Fits(const Series& series, int64_t ms);
    static bool Bounces(const Series& series, int64_t ms);

    bool bExpecting = false;
    int64_t dueMs = 0;
    Series pulse;
    Series other;
    bool bDoubt = false;
};
