// Checks that the receiver's times follow each other before one of them sets the PC clock.

#include "receivertimecheck.h"

#include "utcdatetime.h"

#include <QLocale>

#include <algorithm>
#include <cstdlib>

namespace {

// A time a whole second or more away from the others was not the receiver's second.
constexpr int64_t kSecondMs = 1000;

}  // namespace

bool ReceiverTimeCheck::MonthEnded(const QDateTime& before, const QDateTime& after)
{
    // A receiver sending once a second names its time in an added second (23:59:59.9,
    // 51 ms before the pulse of 23:59:60) 00:00:00 of the new month, a second early: the
    // month's end may lie up to a second before the earlier time.
    const QDate a = before.toUTC().addSecs(-1).date();
    const QDate b = after.toUTC().date();
    return a.year() != b.year() || a.month() != b.month();
}

ReceiverTimeCheck::ReceiverTimeCheck() : clockMs(&UtcDateTime::SteadyMSecs) {}

bool ReceiverTimeCheck::Take(const QDateTime& given, int leapNotice, int64_t arrivedMs)
{
    bFollows = bLeapSecond = false;
    if (!given.isValid())
        return false;
    // A window held up between the bytes and their decode must not make the time late.
    const int64_t nowMs = arrivedMs >= 0 ? arrivedMs : clockMs();
    const int64_t offsetMs = given.toMSecsSinceEpoch() - nowMs;

    if (!run.Empty()) {
        bFollows = run.Fits(offsetMs);
        // A second added at a month's end leaves the time one second short of the steady
        // clock's count; one taken out, a second ahead. Where the receiver gives a notice,
        // a second is taken out only when it says so, and none is added when it says none.
        const int64_t leapStepMs = leapNotice == 2 ? kSecondMs : leapNotice == 0 ? 0 : -kSecondMs;
        if (!bFollows && leapStepMs != 0 && MonthEnded(lastFollowed, given) && run.Fits(offsetMs - leapStepMs)) {
            run.Shift(leapStepMs);
            bFollows = bLeapSecond = true;
        }
    }
    if (bFollows) {
        run.Add(offsetMs);
    } else {
        // The first time after Forget starts a run and follows nothing. Later ones start
        // one at the first that follows as many of them as the old run holds, a run's
        // worth at most: a creep that the run catches gets no way round it here, and a
        // stale first time after a start holds the clock back two seconds, not a run's.
        const bool bHadRun = !run.Empty();
        if (!run.Propose(offsetMs, bHadRun ? std::min(run.Size(), kRunLength) + 1 : 1)) {
            refused = given;
            refusedMs = nowMs;
            return false;
        }
        bFollows = bHadRun;
    }
    lastFollowed = given;
    lastFollowedMs = nowMs;
    refused = QDateTime();
    return bFollows;
}

void ReceiverTimeCheck::Forget()
{
    run.Clear();
    lastFollowed = refused = QDateTime();
    bFollows = bLeapSecond = false;
}

QString ReceiverTimeCheck::JumpText() const
{
    if (!Jumped())
        return QString();
    const auto text = [](const QDateTime& t) {
        return QLocale::c().toString(t.toUTC(), QStringLiteral("dd-MMM-yyyy hh:mm:ss"));
    };
    // How far the time lies from where the run puts it, the steady clock's time since.
    const int64_t elapsedMs = refusedMs - lastFollowedMs;
    const int64_t offMs = lastFollowed.msecsTo(refused) - elapsedMs;
    return QStringLiteral("its time messages give %1 UTC %2 s after %3 UTC, %4 s %5 their run")
        .arg(text(refused), QString::number(elapsedMs / 1000.0, 'f', 1), text(lastFollowed),
             QString::number(std::llabs(offMs) / 1000.0, 'f', 1),
             offMs < 0 ? QStringLiteral("behind") : QStringLiteral("ahead of"));
}
