#pragma once

#include <QChartView>
#include <QString>

class QChart;

// The view of the sky chart: reports the azimuth and elevation under the pointer, and
// takes the keys that scroll, zoom and switch between the polar and a cartesian chart.
class SatAzElChart : public QChartView
{
    Q_OBJECT

public:
    using QChartView::QChartView;

    void switchChartType();

signals:
    void sendAzElMessage(QString sAzElMessage);
    // The chart shown was replaced; the old one is gone, with every balloon on it.
    void chartReplaced(QChart* newChart);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
