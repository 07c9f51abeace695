// Whether the receiver sends its time once a second or several times.

#include "receiverrate.h"

#include "utcdatetime.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr int64_t kDayMs = 86400000;
// Times of one fix may differ by what their fields cut off (an RMC's hundredths beside a
// NAV-TIMEUTC's nanoseconds); several a second lie a tenth of a second apart at least.
constexpr int64_t kSameFixMs = 20;
// The times of a receiver that sends once a second stay a second apart within ms; a
// tenth of a second short of it is no longer its second.
constexpr int64_t kOneASecondMs = 900;
// Bytes more than a second apart are no longer of one second: the times they carry say
// nothing of the rate.
constexpr int64_t kSecondMs = 1000;
// A receiver that sends several times a second is taken as one for this long after its
// last two times: a time lost between them is no change of rate, and one that comes a
// tenth of a second later than that is, as a receiver sending once a second again.
constexpr int64_t kRateHoldMs = 1100;

}  // namespace

int64_t ReceiverRate::Now(int64_t arrivalMs)
{
    return arrivalMs >= 0 ? arrivalMs : UtcDateTime::SteadyMSecs();
}

bool ReceiverRate::SeveralASecond(int64_t arrivalMs) const
{
    const int64_t nowMs = Now(arrivalMs);
    return lastPairArrivalMs >= 0 && nowMs >= lastPairArrivalMs && nowMs - lastPairArrivalMs < kRateHoldMs;
}

Nmea::Time ReceiverRate::Mark(Nmea::Time time, int64_t arrivalMs) const
{
    time.bSeveralASecond = SeveralASecond(arrivalMs);
    return time;
}

Nmea::Time ReceiverRate::Take(Nmea::Time time, int64_t arrivalMs)
{
    const int64_t nowMs = Now(arrivalMs);
    if (time.IsValid()) {
        const int64_t timeOfDayMs =
            (int64_t(time.hours) * 60 + time.minutes) * 60000 + std::llround(time.seconds * 1000.0);
        if (lastTimeOfDayMs >= 0 && nowMs >= lastArrivalMs && nowMs - lastArrivalMs < kSecondMs) {
            // Across midnight the two lie a day apart less the time between them.
            int64_t apartMs = std::llabs(timeOfDayMs - lastTimeOfDayMs) % kDayMs;
            apartMs = std::min(apartMs, kDayMs - apartMs);
            if (apartMs > kSameFixMs && apartMs < kOneASecondMs)
                lastPairArrivalMs = nowMs;
        }
        lastTimeOfDayMs = timeOfDayMs;
        lastArrivalMs = nowMs;
    }
    time = Mark(time, nowMs);
    bNamedNextMinute = time.IsValid() && time.WholeSeconds() >= 60;
    return time;
}
