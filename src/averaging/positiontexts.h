#pragma once

#include <QString>

// Texts of a position and of the DOPs for the navigation display, the status record
// and the remote reply. Angles are in degrees (north and east positive), altitudes in
// metres above the ellipsoid and above mean sea level.
namespace PositionTexts {

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
