#pragma once

// Helpers shared by the main window's tests.

#include "satelliterecord.h"

#include <QDateTime>

inline QDateTime Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

// A tracked satellite; flags 0x80 means "used in the fix" outside the u-blox modes.
inline SatelliteRecord Sat(int prn, int elevation, int azimuth, int signal = 0, int flags = 0x80, int trend = 0)
{
    SatelliteRecord r;
    r.prn = prn;
    r.elevation = elevation;
    r.azimuth = azimuth;
    r.signalLevel = signal;
    r.bTracked = true;
    r.statusFlags = static_cast<int8_t>(flags);
    r.elevationTrend = trend;
    return r;
}
