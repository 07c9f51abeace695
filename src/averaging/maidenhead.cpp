#include "maidenhead.h"

#include <cmath>
#include <cstdint>

namespace {

double Clamped(double value, double limit)
{
    if (!std::isfinite(value))
        return 0.0;
    return std::fmax(-limit, std::fmin(limit, value));
}

}  // namespace

QString MaidenheadLocator(double latitude, double longitude)
{
    // Whole micro-degrees, so that every piece comes from integer division.
    const int64_t x =
        static_cast<int64_t>(std::trunc((540.0 + Clamped(longitude, 180.0)) * 1000000.0)) % 360000000;
    const int64_t y = static_cast<int64_t>(std::trunc((90.0 + Clamped(latitude, 90.0)) * 1000000.0));

    // Hundredths of a minute within the square.
    const int64_t mx = (x % 2000000) * 6 / 1000;
    const int64_t my = (y % 1000000) * 6 / 1000;

    QString text(9, QLatin1Char(' '));
    text[0] = QLatin1Char(static_cast<char>('A' + x / 20000000));
    text[1] = QLatin1Char(static_cast<char>('A' + y / 10000000));
    text[2] = QLatin1Char(static_cast<char>('0' + (x % 20000000) / 2000000));
    text[3] = QLatin1Char(static_cast<char>('0' + (y % 10000000) / 1000000));
    text[4] = QLatin1Char(static_cast<char>('a' + mx / 500));
    text[5] = QLatin1Char(static_cast<char>('a' + my / 250));
    text[6] = QLatin1Char('.');
    text[7] = QLatin1Char(static_cast<char>('0' + (mx % 500) / 50));
    text[8] = QLatin1Char(static_cast<char>('0' + (my % 250) / 25));
    return text;
}
