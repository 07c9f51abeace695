#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

// The run that the receiver's times keep against a steady clock, each time held as its
// offset (the time given less a steady ms, in ms). The run is the last several offsets
// that agree: an offset agrees when it lies less than the span from every one of them,
// so that a creep a little each time adds up within the run and is caught. Offsets that
// do not agree wait beside it as candidates, as long as they agree with each other;
// enough of them in a row take the run's place (a receiver whose second really moved).
// ReceiverTimeCheck keeps one against the times' arrival, PulseTimeCheck one against
// the pulse's edge before each time.
class OffsetRun
{
public:
    explicit OffsetRun(int64_t spanMs) : spanMs(spanMs) {}

    bool Empty() const { return run.empty(); }
    size_t Size() const { return run.size(); }
    // Whether the offset agrees with the run; anything agrees with an empty one.
    bool Fits(int64_t offsetMs) const { return Agrees(run, offsetMs); }
    // Moves the whole run by stepMs: a leap second moves every time after it.
    void Shift(int64_t stepMs);
    // Takes an offset that fits into the run; the candidates are dropped.
    void Add(int64_t offsetMs);
    // Takes an offset that does not fit as a candidate. Where it makes needed candidates
    // in a row that agree, they become the run: true.
    bool Propose(int64_t offsetMs, size_t needed);
    void Clear();

    // How many offsets the run keeps.
    static constexpr size_t kLength = 8;

private:
    bool Agrees(const std::deque<int64_t>& offsets, int64_t offsetMs) const;
    void Trim();

    int64_t spanMs;
    std::deque<int64_t> run;
    std::deque<int64_t> candidates;
};
