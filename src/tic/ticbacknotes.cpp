#include "ticbacknotes.h"

#include "utcdatetime.h"

#include <algorithm>
#include <utility>

TicBackNotes::TicBackNotes(EndSink sink) : end(std::move(sink))
{
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &timer, [this] { EndDue(); });
}

void TicBackNotes::Begin(int index)
{
    if (index < 0 || index >= static_cast<int>(untilMs.size()))
        return;
    // 0 marks no note: a steady clock that reads 0 still gets a due time.
    untilMs[index] = std::max<int64_t>(UtcDateTime::SteadyMSecs() + shownMs, 1);
    Schedule();
}

void TicBackNotes::Cancel(int index)
{
    if (index < 0 || index >= static_cast<int>(untilMs.size()) || untilMs[index] == 0)
        return;
    untilMs[index] = 0;
    Schedule();
}

bool TicBackNotes::IsShown(int index) const
{
    return index >= 0 && index < static_cast<int>(untilMs.size()) && untilMs[index] != 0;
}

void TicBackNotes::EndDue()
{
    const int64_t now = UtcDateTime::SteadyMSecs();
    for (int index = 0; index < static_cast<int>(untilMs.size()); ++index) {
        if (untilMs[index] != 0 && now >= untilMs[index]) {
            untilMs[index] = 0;
            end(index);
        }
    }
    Schedule();
}

void TicBackNotes::Schedule()
{
    int64_t next = 0;
    for (const int64_t until : untilMs)
        if (until != 0 && (next == 0 || until < next))
            next = until;
    if (next == 0) {
        timer.stop();
        return;
    }
    timer.start(static_cast<int>(std::max<int64_t>(next - UtcDateTime::SteadyMSecs(), 0)));
}
