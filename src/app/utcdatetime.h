#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>

// The program's date-time value: a UTC instant with its MJD day number, the observer's
// site (for local sidereal time) and the receiver's timing offsets. Copies are
// member-wise.
class UtcDateTime
{
public:
    UtcDateTime();

    UtcDateTime& SetDateTime(const QDateTime& value);
    void SetLocation(double latitudeDeg, double longitudeDeg);

    // The held instant moved by the given seconds; the value itself is unchanged.
    QDateTime AddSecs(int64_t secs) const;
    // Sum and difference of two instants, in milliseconds since the epoch. The result
    // has no site and no offsets.
    static UtcDateTime Add(const UtcDateTime& a, const UtcDateTime& b);
    static UtcDateTime Subtract(const UtcDateTime& a, const UtcDateTime& b);

    int Year() const;
    int Month() const;
    int Day() const;
    int Hour() const;
    int Minute() const;
    int Second() const;
    int DayOfWeek() const;  // 1 Monday to 7 Sunday
    int DayOfYear() const;
    int64_t ToMSecsSinceEpoch() const;
    QString ToString(const QString& format) const;
    QString ToUtcString(const QString& format) const;
    static int64_t CurrentMSecsSinceEpoch();
    // A steady clock in ms, untouched when the PC clock is set: how old a time is. The one
    // clock of the program's own times: the receiver port's edges and arrivals are read
    // on it in the port's watching threads, so it may be called from any thread.
    static int64_t SteadyMSecs();
    // Tests put their own steady clock here; an empty function gives back the real one.
    // The port's watching threads call it too: a test's clock must be safe to call from
    // another thread.
    static void SetSteadyClock(std::function<int64_t()> clock);

    double DayFraction() const;
    double MjdWithFraction() const;
    QString MjdText() const;
    QString YearDayText() const;
    // Days since 1900-01-01 of the PC clock now, not of the held time.
    static QString DaysSince1900Text();
    unsigned int GpsWeek() const;
    // kind 1: local mean sidereal time at the held longitude; any other: Greenwich.
    QString SiderealTimeText(int kind) const;

    void SetEpochOffsetMs(int ms);
    void SetPpsOffsetNs(unsigned int ns);
    void SetCableDelayNs(unsigned int ns);
    int EpochOffsetMs() const { return epochOffsetMs; }
    unsigned int PpsOffsetNs() const { return ppsOffsetNs; }
    unsigned int CableDelayNs() const { return cableDelayNs; }
    // The whole-millisecond net offset, read in the range -999 to 499.
    int NetOffsetMs() const;
    void RecomputeNetOffset();

    // Rounds the sum of the three offsets to whole milliseconds (halves upward) and
    // keeps the remainder of 1000, with the sign of the sum: -999 to 999.
    static int32_t NetOffsetRemainder(int32_t epochMs, uint32_t ppsNs, uint32_t cableNs);
    // Reads a stored remainder of 500 to 999 as -500 to -1.
    static int FoldNetOffset(int32_t storedMs);

    QDateTime dateTime;
    int32_t mjd = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    int32_t epochOffsetMs = 0;
    uint32_t ppsOffsetNs = 0;
    uint32_t cableDelayNs = 0;
    int32_t netOffsetMs = 0;
    // The held time is 23:59:59 and the second meant is the leap second after it,
    // 23:59:60, which no QDateTime holds. SetDateTime clears it.
    bool bLeapSecond = false;
    // When SetDateTime last ran, on SteadyMSecs; 0 while it never ran. A receiver that
    // went silent leaves its last time behind, and this says how stale it is.
    int64_t setAtSteadyMs = 0;
};
