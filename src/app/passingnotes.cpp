#include "passingnotes.h"

#include "utcdatetime.h"

#include <algorithm>
#include <limits>
#include <utility>

PassingNotes::PassingNotes(int count, EndSink sink)
    : clockMs(&UtcDateTime::SteadyMSecs), end(std::move(sink)), untilMs(size_t(std::max(count, 0)), 0)
{
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &timer, [this] { EndDue(); });
}

void PassingNotes::Begin(int key)
{
    if (key < 0 || key >= int(untilMs.size()))
        return;
    // 0 marks no note: a steady clock that reads 0 still gets a due time.
    untilMs[size_t(key)] = std::max<int64_t>(clockMs() + shownMs, 1);
    Schedule();
}

void PassingNotes::Cancel(int key)
{
    if (key < 0 || key >= int(untilMs.size()) || untilMs[size_t(key)] == 0)
        return;
    untilMs[size_t(key)] = 0;
    Schedule();
}

bool PassingNotes::IsShown(int key) const
{
    return key >= 0 && key < int(untilMs.size()) && untilMs[size_t(key)] != 0;
}

void PassingNotes::EndDue()
{
    const int64_t now = clockMs();
    for (size_t key = 0; key < untilMs.size(); ++key) {
        if (untilMs[key] != 0 && now >= untilMs[key]) {
            untilMs[key] = 0;
            if (end)
                end(int(key));
        }
    }
    Schedule();
}

void PassingNotes::Schedule()
{
    int64_t next = 0;
    for (const int64_t until : untilMs)
        if (until != 0 && (next == 0 || until < next))
            next = until;
    if (next == 0) {
        timer.stop();
        return;
    }
    const int64_t wait = std::clamp<int64_t>(next - clockMs(), 0, std::numeric_limits<int>::max());
    timer.start(int(wait));
}
