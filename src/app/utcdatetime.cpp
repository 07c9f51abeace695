#include "utcdatetime.h"

#include "pctime.h"

#include <cmath>

UtcDateTime::UtcDateTime() : dateTime(PcTime::CurrentUtc()) {}

UtcDateTime& UtcDateTime::SetDateTime(const QDateTime& value)
{
    dateTime = value;
    const QDate date = value.date();
    mjd = static_cast<int32_t>(std::trunc((date.year() - 1901) * 365.25)) + date.dayOfYear() + 15384;
    return *this;
}

void UtcDateTime::SetLocation(double latitudeDeg, double longitudeDeg)
{
    latitude = latitudeDeg;
    longitude = longitudeDeg;
}
