#pragma once

#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>

// When the notes that a counter is back (ports 1 to 8, indexed 0 to 7) end: each is on
// show for shownMs from its own return, counted on the steady clock, so that setting
// the PC clock neither holds a note nor cuts it short. One timer waits for the earliest
// end and is set again for the next after each.
class TicBackNotes
{
public:
    using EndSink = std::function<void(int index)>;

    explicit TicBackNotes(EndSink end);

    // How long a return is said; tests shorten it.
    int shownMs = 10000;

    // A return of the port at index is said now.
    void Begin(int index);
    // Whatever the port says now replaces its return: no end is due for it.
    void Cancel(int index);
    bool IsShown(int index) const;

private:
    void EndDue();
    void Schedule();

    EndSink end;
    std::array<int64_t, 8> untilMs{};  // on the steady clock; 0 while no return is on show
    QTimer timer;
};
