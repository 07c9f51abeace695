#pragma once

#include <QDateTime>
#include <QList>

// What the test build's system-clock layer was asked to do, and what it answers.
namespace FakeSystemClock {

struct State
{
    int privilegeRequests = 0;
    int privilegeError = 0;      // returned by the privilege request; 0 grants it
    int setError = 0;            // returned by every attempt to set the clock
    QList<QDateTime> setTimes;   // every time the program tried to set, in order
};

State& Get();
void Reset();

}  // namespace FakeSystemClock
