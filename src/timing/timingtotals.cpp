#include "timingtotals.h"

#include "numericfield.h"

#include <QMessageBox>
#include <algorithm>
#include <climits>
#include <cmath>

namespace TimingFields {

int WholeNumber(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= double(INT_MAX))
        return INT_MAX;
    if (value <= double(INT_MIN))
        return INT_MIN;
    return int(value);
}

double NumberOf(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

int IntegerOf(const QString& text)
{
    return text.trimmed().toInt();
}

bool Check(QWidget* parent, const QString& text, int low, int high, bool bReport,
           const QString& rangeMessage)
{
    if (NumericField::Parse(text, low, high))
        return true;
    // The box takes the focus from the field, which ends its editing once more: that second
    // check of the same text stays silent rather than stacking a second box on the first.
    static bool bBoxShown = false;
    if (!bReport || bBoxShown || text.trimmed().isEmpty())
        return false;
    bBoxShown = true;
    // A number of the field's kind, only too large or too small; a minus sign in front of
    // a field that takes no negative numbers is stray text like any other.
    double number = 0.0;
    if (NumericField::ReadWholeNumber(text, &number) && number >= std::min(low, 0))
        QMessageBox::warning(parent, QStringLiteral("Numeric Error"), rangeMessage);
    else
        QMessageBox::warning(parent, QStringLiteral("Error"), QStringLiteral("Extraineous characters in the field."));
    bBoxShown = false;
    return false;
}

}  // namespace TimingFields

namespace {

// To the nearest 0.001 us, halves away from zero.
double RoundToNanosecond(double us)
{
    return std::trunc(us * 1000.0 + (us < 0.0 ? -0.5 : 0.5)) / 1000.0;
}

}  // namespace

TimingTotals ComputeTimingTotals(const TimingEntries& entries)
{
    using TimingFields::WholeNumber;
    TimingTotals totals;
    totals.utcCorrectionNs =
        WholeNumber(entries.antennaCableDelayNs + entries.measurementCableDelayNs + entries.receiverDelayNs);

    // The same instant seen from the second before and from the second after.
    const double offset =
        RoundToNanosecond(entries.epochMs * 1000.0 + entries.ppsFineOffsetUs - entries.extraEarlyOffsetUs);
    double other = offset + 1000000.0;
    if (other > 1000000.0)
        other -= 2000000.0;
    other = RoundToNanosecond(other);
    totals.ppsOffsetEarlyUs = WholeNumber(offset > 0.0 ? other : offset);
    totals.ppsOffsetLateUs = WholeNumber(offset > 0.0 ? offset : other);
    return totals;
}
