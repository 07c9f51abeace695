#pragma once

#include <QDate>

// The day this program was built. A receiver that reports an earlier date is wrong
// about the date (an old receiver after a GPS week rollover counts 1024 weeks short),
// so the PC clock is never set from it.
namespace BuildDate {

// The UTC day of the build, or the day a test put in its place.
QDate Day();

// Puts another day in place of the build day, so tests can stand on either side of
// it; an invalid date brings the build day back.
void SetDay(const QDate& day);

}  // namespace BuildDate
