#pragma once

#include <QDialog>
#include <QList>
#include <QPointF>
#include <QString>

#include <cstdint>

#include "satelliterecord.h"
#include "skychart.h"

class Callout;
class QChart;
class QScatterSeries;
class SatAzElChart;

namespace Ui {
class SatAzElChartDialog;
}

// The sky chart window: every satellite of the display table at its azimuth and
// elevation, rising ones in red, the others in blue. Hovering a satellite shows its
// balloon, clicking pins it so that it follows the satellite at each refresh.
class SatAzElChartDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SatAzElChartDialog(QWidget* parent = nullptr);
    ~SatAzElChartDialog() override;

    // Replaces everything plotted by the table given.
    void UpdateSatellites(const SatelliteRecord (&table)[256]);
    void ShowChart();
    int exec() override;

    Ui::SatAzElChartDialog* form;
    QChart* chart = nullptr;
    SatAzElChart* chartView = nullptr;
    QScatterSeries* risingSeries = nullptr;
    QScatterSeries* fallingSeries = nullptr;
    Callout* hoverCallout = nullptr;
    QList<Callout*> pinnedCallouts;
    SatelliteRecord plottedSatellites[256];
    uint8_t pinnedPrn[SkyChart::kPrnSlots] = {};

public slots:
    void tooltip(QPointF point, bool state);
    void toggleCallout(QPointF point);
    void printAzElMessage(QString sAzElMessage);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildChart();
    void AddSatellitePoint(int prn, int azimuth, int elevation, int signalLevel,
                           int elevationTrend);
    void PinHoverCallout();
    void DeletePinnedCallouts();
    void ClearPins();
    void OnChartReplaced(QChart* newChart);
};
