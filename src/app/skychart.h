#pragma once

#include "satelliterecord.h"

#include <QPointF>
#include <QString>

#include <optional>

// The sky chart's arithmetic, kept apart from the widgets so it can be checked directly.
// Chart values are x = azimuth and y = 90 - elevation, both in degrees.
namespace SkyChart {

// Pin flags are kept per PRN in a table of this size.
constexpr int kPrnSlots = 256;

QPointF ChartPoint(int azimuth, int elevation);

// A satellite of unknown trend (first sighting) is drawn with the falling ones.
bool IsRising(int elevationTrend);

// True for a PRN that has a slot of its own in the pin table; 0 marks an empty record.
bool HasPrnSlot(int prn);

// The PRN of the first satellite of the table plotted at the point, 0 when none is.
// Empty records are skipped: they sit at (0, 90) and would hide a satellite plotted on
// the northern horizon behind them.
int PrnAt(const SatelliteRecord (&table)[256], QPointF point);

QString BalloonText(int prn, QPointF point);

// The pointer's azimuth and elevation, or nothing when the value lies off the chart.
std::optional<QString> AzElMessage(QPointF value);

}  // namespace SkyChart
