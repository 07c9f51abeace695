#pragma once

#include <cstdint>

// What a 1PPS edge is worth, and whether the pulse is missing; times are steady ms.
// An edge that comes less than kGlitchMs after the last pulse is noise on the line (a
// glitch), no pulse. A pulse chosen but not come kMissingMs after it was due (a second
// after the last one, or when waiting for it began) is missing.
class PpsPulseCheck
{
public:
    static constexpr int64_t kGlitchMs = 900;
    static constexpr int64_t kMissingMs = 1500;

    // A line is chosen on an open port: the pulse is due from nowMs.
    void Expect(int64_t nowMs);
    // No line, or no open port: nothing is due, nothing is missing.
    void Reset();
    // An edge at ms: true when it is a pulse. A glitch changes nothing.
    bool Edge(int64_t ms);

    bool Expecting() const { return bExpecting; }
    // The steady ms since which the pulse is missing at nowMs, or -1 while it is not.
    int64_t MissingSince(int64_t nowMs) const;
    // The steady ms of the last pulse, -1 before any.
    int64_t LastPulseMs() const { return lastPulseMs; }

private:
    bool bExpecting = false;
    int64_t dueMs = 0;
    int64_t lastPulseMs = -1;
};
