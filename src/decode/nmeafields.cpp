// The field rules shared by the NMEA sentence handlers.

#include "nmeafields.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace Nmea {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

void Scanner::SkipBlanks()
{
    while (pos < text.size() && IsBlank(text.at(pos)))
        ++pos;
}

bool Scanner::Int(int* value, int width)
{
    SkipBlanks();
    const qsizetype limit = width > 0 ? std::min(text.size(), pos + width) : text.size();
    qsizetype p = pos;
    bool negative = false;
    if (p < limit && (text.at(p) == '+' || text.at(p) == '-')) {
        negative = text.at(p) == '-';
        ++p;
    }
    const qsizetype firstDigit = p;
    // Digits beyond the int range are still consumed, but the number is refused.
    constexpr int64_t kCap = int64_t(std::numeric_limits<int>::max()) + 1;
    int64_t magnitude = 0;
    while (p < limit && IsDigit(text.at(p))) {
        if (magnitude <= kCap)
            magnitude = magnitude * 10 + (text.at(p) - '0');
        ++p;
    }
    if (p == firstDigit)
        return false;
    pos = p;
    if (magnitude > (negative ? kCap : kCap - 1))
        return false;
    *value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

bool Scanner::Double(double* value)
{
    SkipBlanks();
    qsizetype p = pos;
    const qsizetype start = p;
    if (p < text.size() && (text.at(p) == '+' || text.at(p) == '-'))
        ++p;
    qsizetype digits = 0;
    while (p < text.size() && IsDigit(text.at(p))) {
        ++p;
        ++digits;
    }
    if (p < text.size() && text.at(p) == '.') {
        ++p;
        while (p < text.size() && IsDigit(text.at(p))) {
            ++p;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (p < text.size() && (text.at(p) == 'e' || text.at(p) == 'E')) {
        qsizetype q = p + 1;
        if (q < text.size() && (text.at(q) == '+' || text.at(q) == '-'))
            ++q;
        if (q < text.size() && IsDigit(text.at(q))) {
            while (q < text.size() && IsDigit(text.at(q)))
                ++q;
            p = q;
        }
    }
    pos = p;
    const char* first = text.data() + start;
    const char* last = text.data() + p;
    if (*first == '+')
        ++first;  // from_chars takes no plus sign
    double number = 0.0;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || !std::isfinite(number))
        return false;
    *value = number;
    return true;
}

bool Scanner::Char(char* value)
{
    if (pos >= text.size())
        return false;
    *value = text.at(pos++);
    return true;
}

bool Scanner::Literal(char c)
{
    if (pos >= text.size() || text.at(pos) != c)
        return false;
    ++pos;
    return true;
}

QByteArray WithoutChecksum(const QByteArray& sentence)
{
    const qsizetype star = sentence.indexOf('*');
    return star < 0 ? sentence : sentence.left(star);
}

QByteArray FillEmptyFields(QByteArray sentence)
{
    QByteArray filled;
    filled.reserve(sentence.size() * 2);
    for (qsizetype i = 0; i < sentence.size(); ++i) {
        const char c = sentence.at(i);
        filled.append(c);
        if (c != ',')
            continue;
        if (i + 1 == sentence.size() || sentence.at(i + 1) == ',' || sentence.at(i + 1) == '*')
            filled.append('0');
    }
    return filled;
}

bool WholeInt(QByteArrayView field, int* value)
{
    const QByteArrayView trimmed = field.trimmed();
    Scanner scanner(trimmed);
    return scanner.Int(value) && scanner.AtEnd();
}

double FieldToDouble(const QByteArray& field)
{
    bool ok = false;
    const double value = field.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

int Time::WholeSeconds() const
{
    // A time a little short of its second is that second; 0.05 s is far beyond any
    // receiver's error, and short of the .9 of one sending ten times a second.
    constexpr double kShortOfSecond = 0.05;
    if (!(seconds >= 0.0 && seconds < 60.0))
        return 0;
    return static_cast<int>(std::floor(seconds + (bSeveralASecond ? kShortOfSecond : 0.5)));
}

Time ReadTime(const QByteArray& field)
{
    Time time;
    Scanner scanner(field);
    if (!scanner.Int(&time.hours, 2))
        return time;
    time.conversions = 1;
    if (!scanner.Int(&time.minutes, 2))
        return time;
    time.conversions = 2;
    if (scanner.Double(&time.seconds))
        time.conversions = 3;
    return time;
}

namespace {

Coordinate ReadCoordinate(const QByteArray& field, int degreeDigits, double limit)
{
    Coordinate coordinate;
    Scanner scanner(field);
    if (!scanner.Int(&coordinate.degrees, degreeDigits) || !scanner.Double(&coordinate.minutes))
        return coordinate;
    coordinate.bRead = coordinate.degrees >= 0 && coordinate.minutes >= 0.0 &&
                       coordinate.degrees + coordinate.minutes / 60.0 <= limit;
    return coordinate;
}

}  // namespace

Coordinate ReadLatitude(const QByteArray& field)
{
    return ReadCoordinate(field, 2, 90.0);
}

Coordinate ReadLongitude(const QByteArray& field)
{
    return ReadCoordinate(field, 3, 180.0);
}

int HemisphereSign(const QByteArray& field, char positive, char negative)
{
    if (field.size() != 1)
        return 0;
    if (field.at(0) == positive)
        return 1;
    return field.at(0) == negative ? -1 : 0;
}

ReceivedDate ReceiverUtc(int year, int month, int day, const Time& time, bool bLocalTime, QDateTime* utc)
{
    if (day < 1 || day > 31 || month < 1 || month > 12 || year <= 1899)
        return ReceivedDate::OutOfRange;
    const QDate date(year, month, day);
    if (!date.isValid() || !time.IsValid())
        return ReceivedDate::NoInstant;
    // Whole seconds are added to the minute, so that one named 60 carries.
    const int seconds = time.WholeSeconds();
    const QDateTime minute(date, QTime(time.hours, time.minutes), bLocalTime ? Qt::LocalTime : Qt::UTC);
    if (!minute.isValid())
        return ReceivedDate::NoInstant;  // a local time that the clock change skipped
    *utc = minute.toUTC().addSecs(seconds);
    return ReceivedDate::Instant;
}

QDateTime NearestUtc(const Time& time, const QDateTime& near)
{
    if (!time.IsValid() || !near.isValid())
        return QDateTime();
    // The second named as the receiver time names it: 23:59:59.97 is the next day's,
    // and so is 23:59:59.6 of a receiver sending once a second.
    const QDateTime sameDay = QDateTime(near.toUTC().date(), QTime(time.hours, time.minutes), Qt::UTC)
                                  .addSecs(time.WholeSeconds());
    constexpr qint64 kHalfDaySecs = 43200;
    const qint64 apart = near.secsTo(sameDay);
    return apart > kHalfDaySecs ? sameDay.addDays(-1) : apart < -kHalfDaySecs ? sameDay.addDays(1) : sameDay;
}

QString DateText(int year, int month, int day)
{
    return QString::asprintf("year %04d, month %d, day %d", year, month, day);
}

int FullYear(int twoDigitYear)
{
    if (twoDigitYear < 0)
        return -1;
    return twoDigitYear >= 80 ? 1900 + twoDigitYear : 2000 + twoDigitYear;
}

int FixStatus(int portMode, int quality, int satellites)
{
    if (portMode == 10) {
        switch (quality) {
        case 1:
            return 2;
        case 2:
            return 3;
        case 6:
            return 4;
        default:
            return 0;
        }
    }
    if (quality == 2)
        return 3;
    if (quality == 1 && satellites >= 4)
        return 2;
    return satellites >= 1 ? 1 : 0;
}

void FixHeights(int receiverModel, double firmwareVersion, double altitude, double separation,
                double* altGps, double* altMsl)
{
    const bool oldMotorolaNmea = receiverModel == 6 || receiverModel == 10 || receiverModel == 11;
    if (oldMotorolaNmea && firmwareVersion != 0.0 && firmwareVersion < 7.0) {
        *altGps = altitude;
        *altMsl = altitude - separation;
    } else if (oldMotorolaNmea && firmwareVersion >= 7.0 && firmwareVersion < 8.8) {
        *altGps = altitude - separation;
        *altMsl = altitude;
    } else {
        *altGps = altitude + separation;
        *altMsl = altitude;
    }
}

int SignalLevel(int receiverModel, int ratio)
{
    int offset = 0;
    switch (receiverModel) {
    case 1: case 2: case 3: case 4: case 5: case 7:
    case 18: case 20: case 21: case 22: case 23: case 24:
        offset = 20;
        break;
    case 0: case 12: case 13: case 14: case 19:
        offset = 17;
        break;
    default:
        break;
    }
    // The ratio is a whole field, so it may be any int: keep the subtraction in range.
    const int64_t level = int64_t(ratio) - offset;
    return level < 0 ? 0 : static_cast<int>(level);
}

}  // namespace Nmea
