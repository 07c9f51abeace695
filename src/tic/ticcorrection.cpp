#include "ticcorrection.h"

#include "utcdatetime.h"

#include <algorithm>
#include <cmath>

namespace {

// The counters answer 9.91E+37 when they have no measurement.
constexpr double kCounterNotANumber = 9.9e37;

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

qsizetype DigitsFrom(QByteArrayView text, qsizetype at)
{
    qsizetype end = at;
    while (end < text.size() && IsAsciiDigit(text[end]))
        ++end;
    return end - at;
}

// The length of "NAN", "INF" or "INFINITY", in any case, at the start of text when no
// letter follows it; 0 otherwise. "Info" is no infinity.
qsizetype SpecialWordLength(QByteArrayView text)
{
    qsizetype letters = 0;
    while (letters < text.size() && IsAsciiLetter(text[letters]))
        ++letters;
    const QByteArray word = text.first(letters).toByteArray().toLower();
    return word == "nan" || word == "inf" || word == "infinity" ? letters : 0;
}

// The first word of text, up to a blank.
QByteArrayView FirstWord(QByteArrayView text)
{
    qsizetype end = 0;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t')
        ++end;
    return text.first(end);
}

// The length of the number at the start of text: an optional sign, digits with an
// optional point (one digit at least), an optional exponent; or a sign and NAN or INF.
// 0 when text does not start with one, or when its exponent has no digits ("+1.234E"):
// a line cut on the wire must not pass for a number a thousand times too large.
qsizetype NumberLength(QByteArrayView text)
{
    qsizetype at = !text.isEmpty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (const qsizetype special = SpecialWordLength(text.sliced(at)))
        return at + special;
    const qsizetype whole = DigitsFrom(text, at);
    at += whole;
    qsizetype fraction = 0;
    if (at < text.size() && text[at] == '.') {
        fraction = DigitsFrom(text, at + 1);
        at += 1 + fraction;
    }
    if (whole + fraction == 0)
        return 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        const qsizetype sign = at + 1 < text.size() && (text[at + 1] == '+' || text[at + 1] == '-') ? 1 : 0;
        const qsizetype exponent = DigitsFrom(text, at + 1 + sign);
        if (exponent == 0)
            return 0;
        at += 1 + sign + exponent;
    }
    return at;
}

// Punctuation that may follow a unit word: "1.5 ms," or "0.5 s." is in its unit.
bool IsUnitPunctuation(char c) { return c == ',' || c == '.' || c == ';' || c == ':'; }

// Microseconds per unit of a unit word: s, ms, us, µs, ns or ps, or sec, msec, usec,
// µsec, nsec or psec, in any case, the µ as a counter may send it (Latin-1 or UTF-8);
// 0 for any other word.
double UnitWordScaleUs(QByteArrayView word)
{
    QByteArray unit = word.toByteArray().toLower();
    for (const char* micro : {"\xc2\xb5", "\xb5"}) {
        if (unit.startsWith(micro)) {
            unit.replace(0, qstrlen(micro), "u");
            break;
        }
    }
    if (unit.endsWith("sec"))
        unit.chop(2);
    static constexpr struct {
        const char* name;
        double us;
    } kUnits[] = {{"s", 1e6}, {"ms", 1e3}, {"us", 1.0}, {"ns", 1e-3}, {"ps", 1e-6}};
    for (const auto& known : kUnits) {
        if (unit == known.name)
            return known.us;
    }
    return 0.0;
}

// The scale of a unit word with punctuation glued after it ("ms,", "s.", "ns;"), or 0.
// After a blank anything may follow the punctuation, a label read past ("ms,x"); glued
// to the number only punctuation may: "1.5ms,x" or "1.5ms,2ms" leaves nobody sure what
// the number says.
double UnitScaleUs(QByteArrayView word, bool bGlued)
{
    qsizetype end = 0;
    while (end < word.size() && !IsUnitPunctuation(word[end]))
        ++end;
    for (qsizetype at = end; bGlued && at < word.size(); ++at) {
        if (!IsUnitPunctuation(word[at]))
            return 0.0;
    }
    return UnitWordScaleUs(word.first(end));
}

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
    const QByteArrayView word = FirstWord(line);
    const qsizetype length = NumberLength(word);
    if (length == 0)
        return TicReadingKind::NoNumber;
    // Glued to the number only a unit may follow: "1e-9,2e-9" or "6.0E-09xyz" leaves
    // nobody sure what the number says. The next word is a unit or a label (counters
    // print the channel names); a label is read past.
    double scaleUs = 0.0;
    if (length < word.size()) {
        scaleUs = UnitScaleUs(word.sliced(length), true);
        if (scaleUs == 0.0)
            return TicReadingKind::NoNumber;
    } else {
        scaleUs = UnitScaleUs(FirstWord(line.sliced(word.size()).trimmed()), false);
        if (scaleUs == 0.0)
            scaleUs = TicUnitScaleUs(units);
    }
    bool ok = false;
    const double value = word.first(length).toByteArray().toDouble(&ok);
    // The conversion refuses a number beyond a double's range, and NAN or INF with a
    // sign; without one they come as themselves: none is a reading.
    if (!ok || !std::isfinite(value) || std::fabs(value) >= kCounterNotANumber)
        return TicReadingKind::NotANumber;
    const double us = value * scaleUs;
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
