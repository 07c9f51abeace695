#include "skychart.h"

#include <QLocale>

#include <cmath>

namespace SkyChart {

namespace {

// Points come back from the series as the doubles they were plotted with, so a small
// margin is enough to tell them apart.
constexpr double kMatch = 0.009;

QString Shortest(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

QPointF ChartPoint(int azimuth, int elevation)
{
    return QPointF(static_cast<double>(azimuth), 90.0 - static_cast<double>(elevation));
}

bool IsRising(int elevationTrend)
{
    return elevationTrend > 0;
}

bool HasPrnSlot(int prn)
{
    return prn > 0 && prn < kPrnSlots;
}

int PrnAt(const SatelliteRecord (&table)[256], QPointF point)
{
    for (const SatelliteRecord& sat : table) {
        if (sat.prn <= 0)
            continue;
        const QPointF p = ChartPoint(sat.azimuth, sat.elevation);
        if (std::abs(p.x() - point.x()) < kMatch && std::abs(p.y() - point.y()) < kMatch)
            return sat.prn;
    }
    return 0;
}

QString BalloonText(int prn, QPointF point)
{
    return QStringLiteral("Prn: %1, Az: %2, El: %3 ")
        .arg(prn)
        .arg(Shortest(point.x()), Shortest(90.0 - point.y()));
}

std::optional<QString> AzElMessage(QPointF value)
{
    if (!(value.x() < 360.0) || !(value.y() <= 90.0))
        return std::nullopt;
    return QStringLiteral("Az: %1   El: %2")
        .arg(value.x(), 0, 'f', 1)
        .arg(90.0 - value.y(), 0, 'f', 1);
}

}  // namespace SkyChart
