#pragma once

#include <QString>

// Texts of a position and of the DOPs for the navigation display, the status record
// and the remote reply. Angles are in degrees (north and east positive), altitudes in
// metres above the ellipsoid and above mean sea level.
namespace PositionTexts {

// An angle split into printed pieces. The sign sits in the degrees unless they are 0,
// when the minus prefix keeps it. The minutes and seconds are rounded to the decimals
// they are printed with before they are split, so a value just short of a whole minute
// or degree carries into it instead of printing 60.
struct AngleParts
{
    int degrees = 0;        // signed, truncated toward zero
    double minutes = 0.0;   // with the fraction
    int wholeMinutes = 0;
    double seconds = 0.0;
    const char* minusPrefix = "";
};

// Degrees and minutes with minuteDecimals printed decimals.
AngleParts DegreesMinutes(double angle, int minuteDecimals);
// Degrees, whole minutes and seconds with secondDecimals printed decimals.
AngleParts DegreesMinutesSeconds(double angle, int secondDecimals);

// Rich text in a NavDataFormat: 0 decimal degrees, 1 degrees and minutes, any other
// value degrees, minutes and seconds.
QString FormatRich(int format, double lat, double lon, double altGps, double altMsl);
// One comma-separated line, altitudes to centimetres.
QString FormatCsv(double lat, double lon, double altGps, double altMsl);
// Latitude and longitude as NMEA fields: ddmm.mmmm,N,dddmm.mmmm,E.
QString FormatNmea(double lat, double lon);
// "DOPs: " and one piece for each DOP above 0; empty when none is.
QString DopText(double gdop, double pdop, double hdop, double vdop, double tdop);

}  // namespace PositionTexts
