#include "ticcorrection.h"

#include "utcdatetime.h"

#include <algorithm>
#include <cmath>

namespace {

// The counters answer 9.91E+37 when they have no measurement.
constexpr double kCounterNotANumber = 9.9e37;

}  // namespace

double TicUnitScaleUs(int units)
{
    switch (units) {
    case 1:
        return 1e3;
    case 2:
        return 1.0;
    case 3:
        return 1e-3;
    default:
        return 1e6;
    }
}

TicReadingKind ParseTicReading(QByteArrayView line, int units, double* readingUs)
{
    line = line.trimmed();
    qsizetype end = 0;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != ',')
        ++end;
    bool ok = false;
    const double value = line.first(end).toDouble(&ok);
    if (!ok) {
        // QByteArray refuses "nan" and "inf" spellings with a sign; treat them alike.
        const QByteArray word = line.first(end).toByteArray().toLower();
        if (word.contains("nan") || word.contains("inf"))
            return TicReadingKind::NotANumber;
        return TicReadingKind::NoNumber;
    }
    if (!std::isfinite(value) || std::fabs(value) >= kCounterNotANumber)
        return TicReadingKind::NotANumber;
    const double us = value * TicUnitScaleUs(units);
    if (!std::isfinite(us))
        return TicReadingKind::NotANumber;
    if (std::fabs(us) >= kTicLongestReadingUs)
        return TicReadingKind::OneSecondPlus;
    *readingUs = us;
    return TicReadingKind::Number;
}

double TicSawtoothTermUs(int sawtoothMode, double sawtoothNs)
{
    switch (sawtoothMode) {
    case 0:
    case 2:
        return -sawtoothNs / 1000.0;
    case 1:
        return sawtoothNs / 1000.0;
    default:
        return 0.0;
    }
}

double FoldTicMicroseconds(double us)
{
    if (!std::isfinite(us))
        return us;
    double folded = std::fmod(us + 500000.0, 1000000.0);
    if (folded < 0.0)
        folded += 1000000.0;
    return folded - 500000.0;
}

double CorrectTicMicroseconds(double rawUs, double sawtoothTermUs, double ppsOffsetLateUs)
{
    return FoldTicMicroseconds(rawUs + sawtoothTermUs - ppsOffsetLateUs);
}

QString TicTimeTag(int format, const UtcDateTime& displayTime)
{
    switch (format) {
    case 0:
        return displayTime.YearDayText();
    case 1:
        return displayTime.MjdText();
    case 2:
        return UtcDateTime::DaysSince1900Text();
    default:
        return QString();
    }
}

char TicLogDelimiter(int style)
{
    switch (style) {
    case 0:
        return ' ';
    case 2:
        return '\t';
    default:
        return ',';
    }
}

void TicAverager::Add(double us)
{
    ++count;
    const double delta = us - mean;
    mean += delta / count;
    m2 += delta * (us - mean);
    minimum = count == 1 ? us : std::min(minimum, us);
    maximum = count == 1 ? us : std::max(maximum, us);
}

double TicAverager::StandardDeviation() const
{
    if (count < 2)
        return 0.0;
    return std::sqrt(std::max(0.0, m2 / (count - 1)));
}

QByteArray TicTimeLine(int port, const QString& tag, double correctedUs, double rawUs, char delimiter)
{
    return QByteArray::number(port) + delimiter + tag.toLatin1() + delimiter
           + QByteArray::number(correctedUs, 'f', 6) + delimiter + QByteArray::number(rawUs, 'f', 6);
}

QByteArray TicAverageLine(int port, const QString& tag, const TicAverager& block, char delimiter)
{
    return QByteArray::number(port) + delimiter + tag.toLatin1() + delimiter
           + QByteArray::number(block.Mean(), 'f', 6) + delimiter
           + QByteArray::number(block.StandardDeviation(), 'f', 6) + delimiter
           + QByteArray::number(block.Minimum(), 'f', 6) + delimiter
           + QByteArray::number(block.Maximum(), 'f', 6) + delimiter + QByteArray::number(block.Count());
}
