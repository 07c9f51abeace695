#include "utcdatetime.h"

#include "pctime.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>

namespace {

// Seconds from 1900-01-01 to 1970-01-01.
constexpr int64_t kSecs1900To1970 = 2208988800LL;

// Fractional part with the sign of its argument.
double Frac(double x)
{
    return x - std::trunc(x);
}

// A whole number from a double that is known to be small, with 0 for anything that
// is not a finite number in the int range.
int ToIntOrZero(double x)
{
    if (!std::isfinite(x) || x < -2147483648.0 || x > 2147483647.0)
        return 0;
    return static_cast<int>(x);
}

}  // namespace

UtcDateTime::UtcDateTime() : dateTime(PcTime::CurrentUtc()) {}

UtcDateTime& UtcDateTime::SetDateTime(const QDateTime& value)
{
    dateTime = value;
    bLeapSecond = false;
    setAtSteadyMs = SteadyMSecs();
    const QDate date = value.date();
    if (!date.isValid()) {
        mjd = 0;
        return *this;
    }
    // QDate reaches far beyond any MJD an int holds; such a date gets no day number.
    const double days = std::trunc((date.year() - 1901.0) * 365.25) + date.dayOfYear() + 15384.0;
    mjd = ToIntOrZero(days);
    return *this;
}

void UtcDateTime::SetLocation(double latitudeDeg, double longitudeDeg)
{
    latitude = latitudeDeg;
    longitude = longitudeDeg;
}

QDateTime UtcDateTime::AddSecs(int64_t secs) const
{
    return dateTime.addSecs(secs);
}

// The sum is held as UTC like every other value of this type.
UtcDateTime UtcDateTime::Add(const UtcDateTime& a, const UtcDateTime& b)
{
    UtcDateTime result;
    result.SetDateTime(QDateTime::fromMSecsSinceEpoch(a.ToMSecsSinceEpoch() + b.ToMSecsSinceEpoch(), Qt::UTC));
    return result;
}

UtcDateTime UtcDateTime::Subtract(const UtcDateTime& a, const UtcDateTime& b)
{
    UtcDateTime result;
    result.SetDateTime(QDateTime::fromMSecsSinceEpoch(a.ToMSecsSinceEpoch() - b.ToMSecsSinceEpoch(), Qt::UTC));
    return result;
}

int UtcDateTime::Year() const { return dateTime.date().year(); }
int UtcDateTime::Month() const { return dateTime.date().month(); }
int UtcDateTime::Day() const { return dateTime.date().day(); }
int UtcDateTime::Hour() const { return dateTime.time().hour(); }
int UtcDateTime::Minute() const { return dateTime.time().minute(); }
int UtcDateTime::Second() const { return dateTime.time().second(); }
int UtcDateTime::DayOfWeek() const { return dateTime.date().dayOfWeek(); }
int UtcDateTime::DayOfYear() const { return dateTime.date().dayOfYear(); }
int64_t UtcDateTime::ToMSecsSinceEpoch() const { return dateTime.toMSecsSinceEpoch(); }

QString UtcDateTime::ToString(const QString& format) const
{
    return dateTime.toString(format);
}

QString UtcDateTime::ToUtcString(const QString& format) const
{
    return dateTime.toUTC().toString(format);
}

int64_t UtcDateTime::CurrentMSecsSinceEpoch()
{
    return PcTime::CurrentUtc().toMSecsSinceEpoch();
}

namespace {

// The steady clock is read by the port's watching threads as well as the GUI thread: a
// test's clock is swapped under a lock and called on a copy, and while none is set the
// real clock is read without one.
struct SteadyClockSeam
{
    std::mutex lock;
    std::shared_ptr<const std::function<int64_t()>> clock;
    std::atomic<bool> bSet{false};
};

SteadyClockSeam& SteadyClock()
{
    static SteadyClockSeam seam;
    return seam;
}

}  // namespace

void UtcDateTime::SetSteadyClock(std::function<int64_t()> clock)
{
    SteadyClockSeam& seam = SteadyClock();
    std::lock_guard<std::mutex> guard(seam.lock);
    seam.bSet = bool(clock);
    seam.clock = clock ? std::make_shared<const std::function<int64_t()>>(std::move(clock)) : nullptr;
}

int64_t UtcDateTime::SteadyMSecs()
{
    SteadyClockSeam& seam = SteadyClock();
    if (seam.bSet.load()) {
        std::shared_ptr<const std::function<int64_t()>> clock;
        {
            std::lock_guard<std::mutex> guard(seam.lock);
            clock = seam.clock;
        }
        if (clock)
            return (*clock)();
    }
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

double UtcDateTime::DayFraction() const
{
    // A day's fraction has no room for a leap second: it reads as the middle of the
    // day's last second, after that second and before the next day, in every tag.
    if (bLeapSecond)
        return 86399.5 / 86400.0;
    const QTime t = dateTime.time();
    return t.second() / 86400.0 + (t.hour() / 24.0 + t.minute() / 1440.0);
}

double UtcDateTime::MjdWithFraction() const
{
    return mjd + DayFraction();
}

QString UtcDateTime::MjdText() const
{
    return QString::asprintf("%08.5f", MjdWithFraction() + 5e-7);
}

QString UtcDateTime::YearDayText() const
{
    return QString::asprintf("%i%09.6f", Year(), DayOfYear() + DayFraction() + 5e-7);
}

QString UtcDateTime::DaysSince1900Text()
{
    const int64_t secs = CurrentMSecsSinceEpoch() / 1000 + kSecs1900To1970;
    const double days = static_cast<double>(secs) / 86400.0 + 5e-7;
    return QStringLiteral("%1").arg(days, 12, 'f', 6, QLatin1Char('0'));
}

unsigned int UtcDateTime::GpsWeek() const
{
    return static_cast<unsigned int>((int64_t{mjd} - 4) / 7 - 6320);
}

QString UtcDateTime::SiderealTimeText(int kind) const
{
    const double t = (mjd - 51544.5) / 36525.0;
    const double g = Frac(100.0021389946972 * t + 100.2790572732639);
    double s = (5.9006e-11 * t + 1.002737909350795) * DayFraction() + g + 10.0;
    if (kind == 1)
        s += longitude / 360.0;
    const double x = Frac(s) * 86400.0;
    const int w = ToIntOrZero(std::trunc(x));
    const int c = std::isfinite(x) ? ToIntOrZero(std::trunc(Frac(x) * 100.0)) : 0;
    return QString::asprintf("%02d:%02d:%02d.%02d", w / 3600, (w / 60) % 60, w % 60, c);
}

int32_t UtcDateTime::NetOffsetRemainder(int32_t epochMs, uint32_t ppsNs, uint32_t cableNs)
{
    // trunc() would round -1.5 ms to -1; a cable delay of 2 ms must read as -2.
    const double sum = epochMs + ppsNs / 1e6 - cableNs / 1e6;
    const double remainder = std::fmod(std::floor(sum + 0.5), 1000.0);
    return ToIntOrZero(remainder);
}

int UtcDateTime::FoldNetOffset(int32_t storedMs)
{
    return storedMs >= 500 ? storedMs - 1000 : storedMs;
}

void UtcDateTime::SetEpochOffsetMs(int ms)
{
    epochOffsetMs = ms;
    RecomputeNetOffset();
}

void UtcDateTime::SetPpsOffsetNs(unsigned int ns)
{
    ppsOffsetNs = ns;
    RecomputeNetOffset();
}

void UtcDateTime::SetCableDelayNs(unsigned int ns)
{
    cableDelayNs = ns;
    RecomputeNetOffset();
}

int UtcDateTime::NetOffsetMs() const
{
    return FoldNetOffset(netOffsetMs);
}

void UtcDateTime::RecomputeNetOffset()
{
    netOffsetMs = NetOffsetRemainder(epochOffsetMs, ppsOffsetNs, cableDelayNs);
}
