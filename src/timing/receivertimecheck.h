#pragma once

#include <QDateTime>

#include <cstdint>
#include <functional>

// Whether each time the receiver gives follows the one it gave before: the two lie as
// far apart as the steady clock moved between them, to within half a second. A receiver
// that speaks every second, or less often, is followed; a time that jumps (a day ahead
// and back, a garbage second) is not, and a receiver that really moved on is followed
// again at its next time.
class ReceiverTimeCheck
{
public:
    ReceiverTimeCheck();

    // Takes the time a message has just given; true when it follows the one before.
    bool Take(const QDateTime& given);
    // Another receiver, or none: nothing given before counts.
    void Forget();
    // Whether the last time taken followed the one before it.
    bool Follows() const { return bFollows; }
    // How the last time taken failed to follow the one before it, for a note; empty
    // when it followed or came first.
    QString JumpText() const;

    // The steady clock in ms; tests put their own here.
    std::function<int64_t()> clockMs;

private:
    QDateTime last;
    int64_t lastMs = 0;
    QDateTime before;  // the one given before last, while last does not follow it
    int64_t beforeMs = 0;
    bool bFollows = false;
};
