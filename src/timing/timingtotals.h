#pragma once

#include <QString>

class QWidget;

// Number handling shared by the timing dialog and the coax delay calculator.
namespace TimingFields {

// The value truncated toward zero into an int; NaN gives 0, and a value beyond the int
// range gives the nearest end of it, so no typed or stored number is undefined.
int WholeNumber(double value);

// The text as a double; a text that is not a finite number counts 0.
double NumberOf(const QString& text);

// The text, trimmed, as an int; a text that is not an int counts 0.
int IntegerOf(const QString& text);

// Whether the text is a whole number from low to high. With bReport, a text that is
// not says why in a warning box: "Numeric Error" with rangeMessage for a number out of
// range, "Error" for anything else around it (a sign the range cannot take included).
// An empty or blank text is refused without a box.
bool Check(QWidget* parent, const QString& text, int low, int high, bool bReport,
           const QString& rangeMessage);

}  // namespace TimingFields

// What the timing dialog's fields hold, in the units of its members.
struct TimingEntries
{
    double antennaCableDelayNs = 0.0;
    double measurementCableDelayNs = 0.0;
    double receiverDelayNs = 0.0;
    int epochMs = 0;                  // makes the 1PPS late
    double ppsFineOffsetUs = 0.0;     // makes the 1PPS late
    double extraEarlyOffsetUs = 0.0;  // makes the 1PPS early
};

// The totals the dialog shows and hands on, in whole units.
struct TimingTotals
{
    int utcCorrectionNs = 0;   // both cables + receiver delay
    int ppsOffsetEarlyUs = 0;  // the 1PPS offset from UTC as an offset before the second, <= 0
    int ppsOffsetLateUs = 0;   // the same offset after the second, > 0
};

TimingTotals ComputeTimingTotals(const TimingEntries& entries);
