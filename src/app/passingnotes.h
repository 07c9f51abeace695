#pragma once

#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

// Notes that say something for a while and then end by themselves: that a port, a
// counter or the remote link is back. Each of a fixed number of notes (keys 0 to
// count - 1) is on show for shownMs from its own Begin, counted on a steady clock, so
// that setting the PC clock neither holds a note nor cuts it short. One timer waits for
// the earliest end and is set again for the next after each; end(key) hears of each
// note that ends.
class PassingNotes
{
public:
    using EndSink = std::function<void(int key)>;

    PassingNotes(int count, EndSink end);

    // How long a note is on show; tests shorten it.
    int shownMs = 10000;
    // The steady clock in ms; tests put their own here.
    std::function<int64_t()> clockMs;

    // The note of key is said now.
    void Begin(int key);
    // Whatever is said for key now replaces its note: no end is due for it.
    void Cancel(int key);
    bool IsShown(int key) const;
    // Ends each note whose time has come, as the timer does; a periodic look that runs
    // on a clock of its own calls it too.
    void EndDue();

private:
    void Schedule();

    EndSink end;
    std::vector<int64_t> untilMs;  // on clockMs; 0 while the note is not on show
    QTimer timer;
};
