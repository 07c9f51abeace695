#pragma once

#include <cstdint>

// What a 1PPS edge is worth, and whether the pulse is missing; times are steady ms.
// An edge that comes less than kGlitchMs after the last pulse is noise on the line (a
// glitch), no pulse. A pulse chosen but not come kMissingMs after it was due (a second
// after the last one, or when waiting for it began) is missing.
//
// The first edge seen is taken as a pulse; where a glitch comes every second, it may be
// the glitch. A receiver sends its second's messages after its pulse: where, in
// kLeadSeconds seconds in a row, a glitch a second after the one before came between
// the pulse and the first message after it, the glitches are the pulse from there on.
class PpsPulseCheck
{
public:
    static constexpr int64_t kGlitchMs = 900;
    static constexpr int64_t kMissingMs = 1500;
    static constexpr int kLeadSeconds = 2;

    // A line is chosen on an open port: the pulse is due from nowMs.
    void Expect(int64_t nowMs);
    // No line, or no open port: nothing is due, nothing is missing.
    void Reset();
    // An edge at ms: true when it is a pulse. A glitch changes nothing.
    bool Edge(int64_t ms);
    // A message came at ms. True when it moved the pulse onto the glitches' edges; the
    // last of them is then the last pulse.
    bool Message(int64_t ms);

    bool Expecting() const { return bExpecting; }
    // The steady ms since which the pulse is missing at nowMs, or -1 while it is not.
    int64_t MissingSince(int64_t nowMs) const;
    // The steady ms of the last pulse, -1 before any.
    int64_t LastPulseMs() const { return lastPulseMs; }

private:
    bool bExpecting = false;
    int64_t dueMs = 0;
    int64_t lastPulseMs = -1;
    int64_t lastGlitchMs = -1;
    // The glitch that came before the first message after the pulse in the last second
    // that had one, and how many such seconds in a row there were.
    int64_t leadGlitchMs = -1;
    int leadSeconds = 0;
    bool bMessageSincePulse = false;
};
