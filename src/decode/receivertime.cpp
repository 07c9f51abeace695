// The hand-over of a receiver time, shared by the Motorola, UBX and NMEA time messages.

#include "mainwindow.h"

#include "nmeafields.h"

void MainWindow::TakeReceiverTime(Nmea::ReceivedDate received, const QDateTime& utc, AwaitingTime awaiting,
                                  bool bAdvance, const QString& dateText)
{
    // A date or time that names no real instant (31 February, hour 25) is no time
    // message: were its second counted, the receiver would seem to speak and the PC
    // clock would never stand in for it.
    if (received == Nmea::ReceivedDate::NoInstant)
        return;
    // A date out of range keeps the time held, but the message still marks its second.
    // It is remembered, never as an empty text: the held time must not pass for a given one.
    if (received == Nmea::ReceivedDate::Instant) {
        receiverTime.SetDateTime(utc);
        receiverDateOutOfRange.clear();
        receiverTimeCheck.Take(utc, leapSecondPending);
    } else {
        receiverDateOutOfRange = dateText.isEmpty() ? QStringLiteral("a date out of range") : dateText;
    }
    // With no tick waiting for this time, the message drives the second itself.
    if (!bPpsAwaitingTime[awaiting]) {
        LogStatusRecord();
        bTimeMessageSeen = true;
        UpdateClockDisplay();
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
