#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

// The program's date-time value: a UTC instant with its MJD day number, the observer's
// site (for local sidereal time) and the receiver's timing offsets.
class UtcDateTime
{
public:
    UtcDateTime();

    UtcDateTime& SetDateTime(const QDateTime& value);
    void SetLocation(double latitudeDeg, double longitudeDeg);

    QDateTime dateTime;
    int32_t mjd = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    int32_t epochOffsetMs = 0;
    uint32_t ppsOffsetNs = 0;
    uint32_t cableDelayNs = 0;
    int32_t netOffsetMs = 0;
};
