#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class UtcDateTime;

// The arithmetic of the counter readings, free of any window, so tests and the
// benchmark drive it directly. Every time value here is in microseconds (µs) unless
// its name says otherwise. A reading is the time from the start input (the local
// reference) to the stop input (the receiver's 1PPS): positive means the 1PPS came
// after the reference.

// Microseconds per unit of a port's "Units" choice: 0 s, 1 ms, 2 µs, 3 ns; any other
// choice reads as seconds, the counters' own unit.
double TicUnitScaleUs(int units);

enum class TicReadingKind {
    Number,        // a finite reading shorter than one second
    NotANumber,    // the counter's 9.91E+37, NaN or an infinity: shown, never used
    NoNumber,      // the line's first word is no number, or more than a number and a unit
    OneSecondPlus  // 1 s or more either way: shown, never used
};

// The interval between the reference and the 1PPS is always shorter than a second; a
// longer one is a counter's error value or a damaged line, and folded into the second
// it would pass for a plausible reading.
constexpr double kTicLongestReadingUs = 1e6;

// The reading of a counter line, in µs. The first word of the line is the number; a
// unit glued to it or as the next word (s, ms, us, µs, ns or ps, or sec, msec, usec,
// µsec, nsec or psec, in any case) is its scale, and a plain number is in the port's
// Units choice. A unit word may have punctuation glued after it (",", ".", ";", ":"):
// "1.5 ms,x" and "0.5 s." are in their unit. Any other word after a blank is a label,
// read past ("0.000000012345 TI(A->B)"). A number glued to anything but a unit, or to a
// unit with more than punctuation after it ("+6.0E-09xyz", "1e-9,2e-9", "1.5ms,x"), or
// whose exponent has no digits ("+1.234E", "12E") is NoNumber. A number that overflows
// a double ("1e999") is NotANumber. *readingUs is set for a Number only.
TicReadingKind ParseTicReading(QByteArrayView line, int units, double* readingUs);

// The sawtooth term in µs that a reading gets for a 1PPS sawtooth of sawtoothNs
// (ns, as the receiver reports it): -s/1000 in the automatic (0) and subtract (2)
// modes, +s/1000 in the add mode (1), nothing when off (3) or never set (-1).
double TicSawtoothTermUs(int sawtoothMode, double sawtoothNs);

// Folds a time into one second centred on the reference: [-500000, 500000) µs.
// A value that is not finite comes back as it is.
double FoldTicMicroseconds(double us);

// raw + sawtooth term - ppsOffsetLateUs (the offset by which the receiver's 1PPS is
// set late, µs), folded.
double CorrectTicMicroseconds(double rawUs, double sawtoothTermUs, double ppsOffsetLateUs);

// The time tag at the start of every TIC line, by the log's TicTimeTagFormat:
//   0  year and day of the year with the fraction of the day, "2026.34112345"
//      (YearDayText of the displayed clock);
//   1  Modified Julian Day with the fraction of the day, "60203.75000" (MjdText);
//   2  days since 1 January 1900 with the fraction, from the PC clock
//      (DaysSince1900Text);
//   anything else: an empty tag.
// The tag has no blank around it; the line builders add their delimiter.
QString TicTimeTag(int format, const UtcDateTime& displayTime);

// The delimiter of the log lines by TicLogStyle: 0 space (.prn), 1 comma (.csv),
// 2 tab (.txt); any other style uses the comma.
char TicLogDelimiter(int style);

// One block of readings of one port: Welford's running mean and variance, the
// extremes and the count. The block is emptied by Reset.
class TicAverager
{
public:
    void Add(double us);
    void Reset() { *this = TicAverager(); }

    int Count() const { return count; }
    double Mean() const { return mean; }
    // The sample standard deviation; 0 for fewer than two readings.
    double StandardDeviation() const;
    double Minimum() const { return minimum; }
    double Maximum() const { return maximum; }

private:
    int count = 0;
    double mean = 0.0;
    double m2 = 0.0;
    double minimum = 0.0;
    double maximum = 0.0;
};

// "port<d>tag<d>corrected<d>raw", the values in µs with six decimals.
QByteArray TicTimeLine(int port, const QString& tag, double correctedUs, double rawUs, char delimiter);
// "port<d>tag<d>mean<d>sd<d>min<d>max<d>count", in µs with six decimals.
QByteArray TicAverageLine(int port, const QString& tag, const TicAverager& block, char delimiter);
