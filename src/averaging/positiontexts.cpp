#include "positiontexts.h"

#include <cmath>

namespace {

constexpr int kDegreeSign = 0xB0;

double Magnitude(double angle)
{
    // Guards the conversions to int; no real angle comes near the limit.
    if (!std::isfinite(angle))
        return 0.0;
    return std::fmin(std::fabs(angle), 1000000.0);
}

}  // namespace

namespace PositionTexts {

static AngleParts Signed(AngleParts parts, double angle, double whole)
{
    const bool negative = std::isfinite(angle) && angle < 0.0;
    parts.degrees = static_cast<int>(negative ? -whole : whole);
    parts.minusPrefix = negative && whole == 0.0 ? "-" : "";
    return parts;
}

AngleParts DegreesMinutes(double angle, int minuteDecimals)
{
    const double magnitude = Magnitude(angle);
    double whole = std::trunc(magnitude);
    AngleParts parts;
    parts.minutes = (magnitude - whole) * 60.0;
    if (parts.minutes >= 60.0 - 0.5 * std::pow(10.0, -minuteDecimals)) {
        parts.minutes = 0.0;
        whole += 1.0;
    }
    return Signed(parts, angle, whole);
}

AngleParts DegreesMinutesSeconds(double angle, int secondDecimals)
{
    const double magnitude = Magnitude(angle);
    double whole = std::trunc(magnitude);
    AngleParts parts;
    const double minutes = (magnitude - whole) * 60.0;
    double wholeMinutes = std::trunc(minutes);
    parts.seconds = (minutes - wholeMinutes) * 60.0;
    if (parts.seconds >= 60.0 - 0.5 * std::pow(10.0, -secondDecimals)) {
        parts.seconds = 0.0;
        wholeMinutes += 1.0;
    }
    if (wholeMinutes >= 60.0) {
        wholeMinutes = 0.0;
        whole += 1.0;
    }
    parts.wholeMinutes = static_cast<int>(wholeMinutes);
    return Signed(parts, angle, whole);
}

QString FormatRich(int format, double lat, double lon, double altGps, double altMsl)
{
    if (format == 0) {
        return QString::asprintf("%11.8f%c<br>%11.8f%c<br>%8.0fm<br>%8.0fm", lat, kDegreeSign, lon,
                                 kDegreeSign, altGps, altMsl);
    }
    if (format == 1) {
        const AngleParts la = DegreesMinutes(lat, 5);
        const AngleParts lo = DegreesMinutes(lon, 5);
        return QString::fromLatin1(la.minusPrefix)
            + QString::asprintf("%2.2d%c %8.5f'<br>", la.degrees, kDegreeSign, la.minutes)
            + QString::fromLatin1(lo.minusPrefix)
            + QString::asprintf("%4.2d%c %8.5f'<br>%8.0fm<br>%8.0fm", lo.degrees, kDegreeSign,
                                lo.minutes, altGps, altMsl);
    }
    const AngleParts la = DegreesMinutesSeconds(lat, 4);
    const AngleParts lo = DegreesMinutesSeconds(lon, 4);
    return QString::fromLatin1(la.minusPrefix)
        + QString::asprintf("%2.2d%c %3d' %7.4f\"<br>", la.degrees, kDegreeSign, la.wholeMinutes,
                            la.seconds)
        + QString::fromLatin1(lo.minusPrefix)
        + QString::asprintf("%4.2d%c %2.2d' %7.4f\"<br>%8.0fm<br>%8.0fm", lo.degrees, kDegreeSign,
                            lo.wholeMinutes, lo.seconds, altGps, altMsl);
}

QString FormatCsv(double lat, double lon, double altGps, double altMsl)
{
    return QString::asprintf("%11.8f%c,%11.8f%c,%0.2f,%0.2f", lat, kDegreeSign, lon, kDegreeSign,
                             altGps, altMsl);
}

QString FormatNmea(double lat, double lon)
{
    const AngleParts la = DegreesMinutes(lat, 4);
    const AngleParts lo = DegreesMinutes(lon, 4);
    const bool south = la.degrees < 0 || *la.minusPrefix == '-';
    const bool west = lo.degrees < 0 || *lo.minusPrefix == '-';
    return QString::asprintf("%2.2d%07.4f,%s,%3.3d%07.4f,%s", std::abs(la.degrees), la.minutes,
                             south ? "S" : "N", std::abs(lo.degrees), lo.minutes, west ? "W" : "E");
}

QString DopText(double gdop, double pdop, double hdop, double vdop, double tdop)
{
    QString text;
    if (gdop > 0.0 || pdop > 0.0 || hdop > 0.0 || vdop > 0.0 || tdop > 0.0)
        text = QStringLiteral("DOPs: ");
    if (gdop > 0.0)
        text += QString::asprintf("G=%03.1f ", gdop);
    if (pdop > 0.0)
        text += QString::asprintf("P=%03.1f ", pdop);
    if (hdop > 0.0)
        text += QString::asprintf("H=%03.1f ", hdop);
    if (vdop > 0.0)
        text += QString::asprintf("V=%03.1f ", vdop);
    if (tdop > 0.0)
        text += QString::asprintf("T=%03.1f ", tdop);
    return text;
}

}  // namespace PositionTexts
