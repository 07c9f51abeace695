#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

// The field rules shared by the NMEA sentence handlers. Nothing here touches the main
// window, so the tests call these directly.
namespace Nmea {

// Reads numbers off the front of a text the way sscanf conversions do (leading blanks
// skipped, an optional width), but never past the text, never by the C locale, and
// refusing what does not fit: an int out of range or a number that is not finite
// counts as not read.
class Scanner
{
public:
    explicit Scanner(QByteArrayView text) : text(text) {}

    // "%d", or "%Nd" with a width: the sign counts towards the width.
    bool Int(int* value, int width = 0);
    // "%lf": a decimal number with an optional exponent.
    bool Double(double* value);
    // "%c": the next byte as it is.
    bool Char(char* value);
    // A literal byte of the format.
    bool Literal(char c);
    bool AtEnd() const { return pos >= text.size(); }

private:
    void SkipBlanks();

    QByteArrayView text;
    qsizetype pos = 0;
};

// The sentence up to its "*hh" checksum: the fields end there.
QByteArray WithoutChecksum(const QByteArray& sentence);

// Puts "0" into every empty field, so that fixed formats read all of them.
QByteArray FillEmptyFields(QByteArray sentence);

// The field as a whole number; false when anything but one is in it.
bool WholeInt(QByteArrayView field, int* value);

// The field's text as a number, 0.0 unless the whole field is one.
double FieldToDouble(const QByteArray& field);

// A time field hhmmss.ss.
struct Time
{
    int hours = 0;
    int minutes = 0;
    double seconds = 0.0;
    int conversions = 0;

    bool IsRead() const { return conversions == 3; }
    // Second 60 is no time of day: read as 59 or as the next minute, it would hand the
    // clocks a second the receiver never named.
    bool IsValid() const
    {
        return IsRead() && hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59 &&
               seconds >= 0.0 && seconds < 60.0;
    }
    // Whether the receiver sends its time several times a second (ReceiverRate says).
    bool bSeveralASecond = false;

    // The whole seconds it names. A receiver sending once a second names the nearest
    // (123456.949 and 123456.5 name 123457); one sending several a second names the
    // second each time lies in, .0 to .9, or the next within 0.05 s short of it. 60 for
    // a time that carries into the next minute; 0 for seconds no clock has.
    int WholeSeconds() const;
    // The second of the day it names.
    int SecondOfDay() const { return (hours * 60 + minutes) * 60 + WholeSeconds(); }
};
Time ReadTime(const QByteArray& field);

// A latitude ddmm.mmmm or longitude dddmm.mmmm field with its hemisphere field.
struct Coordinate
{
    int degrees = 0;
    double minutes = 0.0;
    int sign = 0;          // +1 north or east, -1 south or west, 0 a bad hemisphere
    bool bRead = false;    // the number was read and lies within its range

    double Degrees() const { return (degrees + minutes / 60.0) * sign; }
};
// Reads the number field; the hemisphere is set apart so that a caller can act
// between the two fields.
Coordinate ReadLatitude(const QByteArray& field);
Coordinate ReadLongitude(const QByteArray& field);
// +1 for the positive letter, -1 for the negative one, 0 for anything else.
int HemisphereSign(const QByteArray& field, char positive, char negative);

// What a received date and time come to.
enum class ReceivedDate
{
    Instant,     // a real instant
    OutOfRange,  // a day outside 1 to 31, a month outside 1 to 12, or a year before 1900
    NoInstant,   // in range, but no calendar or clock has it: 31 February, hour 25,
                 // second 60, a local time that the clock change skipped
};

// The UTC instant of a received date and time, taken as the PC's local time when the
// receiver reports local time; the binary decoders build their receiver time here too.
// *utc is set only for an instant, at the whole second the time names. A time that
// names second 60 (59.5 and on, or 59.95 and on several a second) moves on into the
// next minute.
ReceivedDate ReceiverUtc(int year, int month, int day, const Time& time, bool bLocalTime, QDateTime* utc);

// A time of day without a date, on the day that brings it nearest to near (a fix of
// 00:00:01 sent at 23:59:59 is of the next day); the whole seconds it names, as
// ReceiverUtc takes them. Invalid for a time of day that is none, or without near.
QDateTime NearestUtc(const Time& time, const QDateTime& near);

// A received date as it came, for a note: "year 0089, month 3, day 5".
QString DateText(int year, int month, int day);

// The year of a two-digit date field: 80 to 99 are the 1900s, 0 to 79 the 2000s.
int FullYear(int twoDigitYear);

// Fix status of a fix data sentence: 0 no fix, 1 satellites but no fix, 2 GPS fix,
// 3 DGPS fix, 4 estimated.
int FixStatus(int portMode, int quality, int satellites);

// Heights above the ellipsoid and above mean sea level from a fix data sentence's
// altitude and geoid separation: some receivers put the separation in differently.
void FixHeights(int receiverModel, double firmwareVersion, double altitude, double separation,
                double* altGps, double* altMsl);

// The signal level shown for a reported signal-to-noise ratio, by receiver model.
int SignalLevel(int receiverModel, int ratio);

}  // namespace Nmea
