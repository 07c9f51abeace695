// The hand-over of a receiver time, shared by the Motorola, UBX and NMEA time messages.

#include "mainwindow.h"

#include "nmeafields.h"

namespace {

// Messages of one second arrive within it; a time named again a second or more after it
// was taken is a receiver that holds its time, sending a new second.
constexpr int64_t kSameSecondMs = 1000;

}  // namespace

void MainWindow::TakeReceiverTime(Nmea::ReceivedDate received, const QDateTime& utc, const Nmea::Time& time,
                                  AwaitingTime awaiting, bool bAdvance, const QString& dateText)
{
    // A date or time that names no real instant (31 February, hour 25) is no time
    // message: were its second counted, the receiver would seem to speak and the PC
    // clock would never stand in for it. Only the logs take a leap second by its name.
    if (received == Nmea::ReceivedDate::NoInstant) {
        if (time.IsRead() && time.hours == 23 && time.minutes == 59 && time.seconds >= 60.0 && time.seconds < 61.0)
            LogLeapSecondNamed();
        return;
    }
    // The second already taken, named again by another message of it (the RMC after the
    // ZDA, the ZDA after the RMC, an RMC beside NAV-TIMEUTC): nothing more to take, with
    // or without a tick between. Taken twice it would give two status records, two
    // clock decisions, and a second time that follows the first.
    // A date out of range names its second by the time of day alone. The bytes' arrival
    // at the port decides, not the decode: a window held up between a second's messages
    // (a slow disk under a log) must not make one second two.
    const int64_t arrivalMs = gpsPortThread.ArrivalMs();
    const int64_t nowMs = arrivalMs >= 0 ? arrivalMs : receiverTimeCheck.clockMs();
    const int second = time.SecondOfDay();
    const QDateTime given = received == Nmea::ReceivedDate::Instant ? utc : QDateTime();
    const bool bSameSecond = given.isValid() && takenUtc.isValid() ? given == takenUtc : second == takenSecondOfDay;
    if (bSameSecond && nowMs - takenAtMs < kSameSecondMs)
        return;
    takenUtc = given;
    takenSecondOfDay = second;
    takenAtMs = nowMs;
    // A date out of range keeps the time held, but the message still marks its second.
    // It is remembered, never as an empty text: the held time must not pass for a given one.
    if (received == Nmea::ReceivedDate::Instant) {
        receiverTime.SetDateTime(utc);
        receiverDateOutOfRange.clear();
        receiverTimeCheck.Take(utc, leapSecondPending, arrivalMs);
        pulseTimeCheck.Take(utc, gpsPortThread.EdgeMs());
    } else {
        receiverDateOutOfRange = dateText.isEmpty() ? QStringLiteral("a date out of range") : dateText;
    }
    secondsStoodIn = 0;
    // With no tick waiting for this time, the message drives the second itself; with
    // one, it names the second the tick started.
    if (!bPpsAwaitingTime[awaiting]) {
        LogStatusRecord();
        bTimeMessageSeen = true;
        UpdateClockDisplay();
    } else if (received == Nmea::ReceivedDate::Instant) {
        LogNamedSecond(utc);
    }
    if (awaiting == AwaitingZda)
        bZdaTimeThisSecond = true;
    bPpsAwaitingTime[AwaitingAnyTime] = false;
    bPpsAwaitingTime[awaiting] = false;
    // The receiver sends a second's time during that second; the next tick marks the
    // one after it.
    if (bAdvance)
        receiverTime.SetDateTime(receiverTime.AddSecs(1));
}
