#pragma once

#include <QString>

#include <functional>

// The program's one grammar for the latitudes, longitudes and altitudes an operator
// types, and the display text of an angle. Angles are degrees, north and east positive;
// altitudes are metres. Each fault found is handed to the sink (title, text) in the
// order it is found, so a dialog can show it in a box while a remote command reads the
// same text silently.
namespace AngleTexts {

using MessageSink = std::function<void(const QString& title, const QString& text)>;

enum Axis { Latitude = 0, Longitude = 1 };

// Degrees, optional minutes and seconds, an optional leading "-" or a trailing N, S,
// E or W. axis Latitude allows -90 to 90, any other value -180 to 180. An empty or
// blank text is false with *angle unchanged; a grammar fault (a text with no digit is
// one) sets 0; a range fault keeps the value.
bool ParseAngle(const QString& text, double* angle, int axis, const MessageSink& messages = {});

// One number (or "???", read as 0) at the start or after a blank, -500 to 18000 m.
// *altitude takes the number read, 0 when there is none.
bool ValidateAltitude(const QString& text, double* altitude, const MessageSink& messages = {});

// An angle in a NavDataFormat: 0 decimal degrees, 1 degrees and minutes, any other
// value degrees, minutes and seconds.
QString FormatAngle(double angle, int format);

// An altitude as the fields show it: "%04.2f".
QString FormatAltitude(double metres);

}  // namespace AngleTexts
