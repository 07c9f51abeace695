#pragma once

#include <QDateTime>

#include <cstdint>
#include <functional>

#include "offsetrun.h"

// Whether each time the receiver gives follows the times it gave before. Each time is
// held as its offset from the steady clock (the time given less the steady clock's ms
// when it came). A receiver's messages arrive anywhere within their second, so the
// offsets of a receiver that keeps time wander by up to a second, never more: a time
// follows when its offset lies less than a whole second from every offset of the run,
// the last several times that followed. A run rather than the last time alone keeps out
// a time that creeps a little each message, as the creep adds up within the run.
//
// A time off by a whole second or more (a day ahead and back, a garbage second, an hour)
// stays out of the run. Across the end of a UTC month, a time one second short of the
// run is a leap second: the run moves to it. A receiver that really moved on is followed
// again at the first new time that follows as many new times as the run holds.
class ReceiverTimeCheck
{
public:
    ReceiverTimeCheck();

    // Takes the time a message has just given; true when it follows the times before.
    // leapNotice is the receiver's leap second notice as the decoders keep it (1 one to
    // be added, 2 one to be taken out, 0 none, -1 none reported): where a protocol gives
    // one, it confirms what a month's end shows.
    // arrivedMs is when the message came, on clockMs; negative: now.
    bool Take(const QDateTime& given, int leapNotice = -1, int64_t arrivedMs = -1);
    // Another receiver, or none: nothing given before counts.
    void Forget();
    // Whether the last time taken followed the ones before it.
    bool Follows() const { return bFollows; }
    // The latest time of the run: the last that followed, or started a run.
    QDateTime LastFollowed() const { return lastFollowed; }
    // Whether the last time taken followed across a leap second.
    bool LeapSecond() const { return bLeapSecond; }
    // Whether the last time taken failed to follow the ones before it (the first after
    // Forget follows nothing, and has nothing to jump from).
    bool Jumped() const { return refused.isValid() && lastFollowed.isValid(); }
    // How the last time taken failed to follow the ones before it, and how far off it
    // lies, for a note; empty unless it Jumped.
    QString JumpText() const;

    // The steady clock in ms; tests put their own here.
    std::function<int64_t()> clockMs;

    // How many times make a run.
    static constexpr size_t kRunLength = OffsetRun::kLength;

    // Whether a UTC month ended between the two times, or just before the earlier one: the
    // only place a leap second falls.
    static bool MonthEnded(const QDateTime& before, const QDateTime& after);

private:
    // A time a whole second or more away from the others was not the receiver's second.
    OffsetRun run{1000};
    QDateTime lastFollowed;         // the latest time of the run, and when it came
    int64_t lastFollowedMs = 0;
    QDateTime refused;              // the last time taken, while it does not follow
    int64_t refusedMs = 0;
    bool bFollows = false;
    bool bLeapSecond = false;
};
