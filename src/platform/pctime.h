#pragma once

#include <QDateTime>

// Everything that reads the PC clock asks here, so tests can hold the clock still.
namespace PcTime {

// The PC's current time in UTC (or the fixed time while one is set).
QDateTime CurrentUtc();

// The same instant in the PC's local time zone.
QDateTime CurrentLocal();

// Freezes the PC clock at the given instant; an invalid value releases it.
void SetFixedUtc(const QDateTime& utc);

}  // namespace PcTime
