// The run of offsets that the receiver's times keep against a steady clock.

#include "offsetrun.h"

#include <algorithm>

bool OffsetRun::Agrees(const std::deque<int64_t>& offsets, int64_t offsetMs) const
{
    if (offsets.empty())
        return true;
    const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
    return offsetMs > *high - spanMs && offsetMs < *low + spanMs;
}

void OffsetRun::Shift(int64_t stepMs)
{
    for (int64_t& offset : run)
        offset += stepMs;
}

void OffsetRun::Add(int64_t offsetMs)
{
    run.push_back(offsetMs);
    candidates.clear();
    Trim();
}

bool OffsetRun::Propose(int64_t offsetMs, size_t needed)
{
    if (!Agrees(candidates, offsetMs))
        candidates.clear();
    candidates.push_back(offsetMs);
    if (candidates.size() < needed)
        return false;
    run.swap(candidates);
    candidates.clear();
    Trim();
    return true;
}

void OffsetRun::Clear()
{
    run.clear();
    candidates.clear();
}

void OffsetRun::Trim()
{
    while (run.size() > kLength)
        run.pop_front();
}
