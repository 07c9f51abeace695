#pragma once

#include "nmeafields.h"

#include <cstdint>

// How often the receiver gives its time, which decides the second a time names. One that
// sends its time once a second names the nearest whole second: its fix may lie anywhere
// in the second before the pulse it follows (123456.949 names 123457). One that sends
// several times a second names the second each time lies in (.2, .4, .6, .8 their own).
// The receiver shows which it is by two different times less than a second apart whose
// bytes came within a second of each other; a ZDA and an RMC of one second are one time.
// Every decoder's time messages go through one of these, so that a receiver changing its
// rate is followed whatever its protocol.
class ReceiverRate
{
public:
    // Takes the time a time message gave, its bytes come at arrivalMs (steady ms, as
    // GpsSerialPortThread::ArrivalMs gives it; negative: now), and marks it with the rule
    // by which it names its second.
    Nmea::Time Take(Nmea::Time time, int64_t arrivalMs);
    // Marks a time that another message gave (a fix's own time) with the rule, as it
    // stands: the fix follows its receiver's time messages, and teaches nothing.
    Nmea::Time Mark(Nmea::Time time, int64_t arrivalMs) const;
    bool SeveralASecond(int64_t arrivalMs) const;
    // Whether the last time taken named the minute after its own (a time from :59.5 on
    // sent once a second): in a second added at a month's end, 23:59:59.9 names 23:59:60,
    // which it cannot, and the next minute's first second is named a second early.
    bool NamedNextMinute() const { return bNamedNextMinute; }

private:
    static int64_t Now(int64_t arrivalMs);

    int64_t lastTimeOfDayMs = -1;   // the last time taken, ms into its day
    int64_t lastArrivalMs = 0;
    int64_t lastPairArrivalMs = -1;  // when the last time came that was another's in its second
    bool bNamedNextMinute = false;
};
