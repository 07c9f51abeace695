#include "satazelchartdialog.h"

#include "callout.h"
#include "satazelchart.h"
#include "ui_satazelchartdialog.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QGraphicsScene>
#include <QGridLayout>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolarChart>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

const QString kGeometryKey = QStringLiteral("SatAzElChartDialog/geometry");

QImage StarMarker(const QColor& colour)
{
    QImage star(30, 30, QImage::Format_ARGB32);
    star.fill(Qt::transparent);
    QPainterPath path;
    path.moveTo(28, 15);
    for (int i = 1; i < 5; ++i) {
        const double angle = 0.8 * i * std::numbers::pi;
        path.lineTo(14 + 14 * std::cos(angle), 15 + 14 * std::sin(angle));
    }
    path.closeSubpath();
    QPainter painter(&star);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour);
    painter.setBrush(painter.pen().color());
    painter.drawPath(path);
    return star;
}

void StyleSeries(QScatterSeries* series, const QString& name, const QColor& colour)
{
    series->setName(name);
    series->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    series->setMarkerSize(30);
    series->setBrush(StarMarker(colour));
    series->setPen(QColor(Qt::transparent));
}

}  // namespace

SatAzElChartDialog::SatAzElChartDialog(QWidget* parent)
    : QDialog(parent), form(new Ui::SatAzElChartDialog)
{
    form->setupUi(this);
    BuildChart();
}

SatAzElChartDialog::~SatAzElChartDialog()
{
    delete form;
}

void SatAzElChartDialog::BuildChart()
{
    if (!risingSeries)
        risingSeries = new QScatterSeries;
    if (!fallingSeries)
        fallingSeries = new QScatterSeries;
    StyleSeries(risingSeries, QStringLiteral("Satellite rising"), Qt::red);
    StyleSeries(fallingSeries, QStringLiteral("Satellite falling"), Qt::blue);

    auto* polar = new QPolarChart;
    polar->addSeries(risingSeries);
    polar->addSeries(fallingSeries);
    polar->setTitle(QStringLiteral(
        "Use arrow keys to scroll, +/- to zoom, and space to switch chart type."));
    // The whole hint fits the chart's first width only with narrow margins and a
    // slightly smaller face.
    polar->setMargins(QMargins(4, 4, 4, 4));
    QFont titleFont = polar->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 0.85);
    polar->setTitleFont(titleFont);
    polar->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);

    auto* angular = new QValueAxis;
    angular->setTickCount(13);
    angular->setLabelFormat(QStringLiteral("%d"));
    angular->setShadesVisible(true);
    angular->setShadesBrush(QBrush(QColor(249, 249, 255)));
    polar->addAxis(angular, QPolarChart::PolarOrientationAngular);

    auto* radial = new QValueAxis;
    radial->setTickCount(4);
    radial->setMinorTickCount(7);
    radial->setLabelFormat(QStringLiteral("%d"));
    radial->setReverse(true);
    radial->setLabelsVisible(false);
    polar->addAxis(radial, QPolarChart::PolarOrientationRadial);

    for (QScatterSeries* series : {risingSeries, fallingSeries}) {
        series->attachAxis(angular);
        series->attachAxis(radial);
    }
    angular->setRange(0, 360);
    radial->setRange(0, 90);
    chart = polar;

    chartView = new SatAzElChart(chart);
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMouseTracking(true);
    // A balloon's outline follows the chart's mapping of its anchor, which moves on zoom,
    // scroll and series changes without notice to the scene; an indexed scene would keep
    // stale entries of deleted balloons and crash on the next paint.
    chartView->scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
    auto* layout = new QGridLayout(form->graphicsView);
    layout->addWidget(chartView);

    for (QScatterSeries* series : {risingSeries, fallingSeries}) {
        connect(series, &QScatterSeries::clicked, this, &SatAzElChartDialog::toggleCallout);
        connect(series, &QScatterSeries::hovered, this, &SatAzElChartDialog::tooltip);
    }
    connect(chartView, &SatAzElChart::sendAzElMessage, this,
            &SatAzElChartDialog::printAzElMessage);
    connect(chartView, &SatAzElChart::chartReplaced, this, &SatAzElChartDialog::OnChartReplaced);
}

void SatAzElChartDialog::UpdateSatellites(const SatelliteRecord (&table)[256])
{
    risingSeries->clear();
    fallingSeries->clear();
    DeletePinnedCallouts();
    std::copy(std::begin(table), std::end(table), std::begin(plottedSatellites));
    for (const SatelliteRecord& sat : plottedSatellites) {
        if (sat.prn > 0)
            AddSatellitePoint(sat.prn, sat.azimuth, sat.elevation, sat.signalLevel,
                              sat.elevationTrend);
    }
}

void SatAzElChartDialog::AddSatellitePoint(int prn, int azimuth, int elevation, int,
                                           int elevationTrend)
{
    // A point off the axis ranges is kept in its series; the chart does not draw it.
    const QPointF point = SkyChart::ChartPoint(azimuth, elevation);
    (SkyChart::IsRising(elevationTrend) ? risingSeries : fallingSeries)->append(point);
    if (SkyChart::HasPrnSlot(prn) && pinnedPrn[prn]) {
        tooltip(point, true);
        PinHoverCallout();
    }
}

void SatAzElChartDialog::tooltip(QPointF point, bool state)
{
    if (!hoverCallout)
        hoverCallout = new Callout(chart);
    if (!state) {
        hoverCallout->hide();
        return;
    }
    hoverCallout->setText(SkyChart::BalloonText(SkyChart::PrnAt(plottedSatellites, point), point));
    hoverCallout->setAnchor(point);
    hoverCallout->setZValue(11);
    hoverCallout->updateGeometry();
    hoverCallout->show();
}

void SatAzElChartDialog::toggleCallout(QPointF point)
{
    // A click normally follows a hover; without one there is no balloon to pin yet.
    if (!hoverCallout || !hoverCallout->isVisible())
        tooltip(point, true);
    const QPointF anchor = hoverCallout->anchor;
    const auto found = std::find_if(pinnedCallouts.begin(), pinnedCallouts.end(),
                                    [&](const Callout* c) { return c->anchor == anchor; });
    if (found == pinnedCallouts.end()) {
        PinHoverCallout();
        return;
    }
    const int prn = SkyChart::PrnAt(plottedSatellites, anchor);
    if (SkyChart::HasPrnSlot(prn))
        pinnedPrn[prn] = 0;
    Callout* pinned = *found;
    pinnedCallouts.erase(found);
    delete pinned;
}

void SatAzElChartDialog::PinHoverCallout()
{
    const int prn = SkyChart::PrnAt(plottedSatellites, hoverCallout->anchor);
    if (SkyChart::HasPrnSlot(prn))
        pinnedPrn[prn] = 1;
    pinnedCallouts.append(hoverCallout);
    hoverCallout = new Callout(chart);
    hoverCallout->hide();
}

void SatAzElChartDialog::printAzElMessage(QString sAzElMessage)
{
    form->AzElLabel->setText(sAzElMessage);
}

void SatAzElChartDialog::DeletePinnedCallouts()
{
    qDeleteAll(pinnedCallouts);
    pinnedCallouts.clear();
}

void SatAzElChartDialog::ClearPins()
{
    std::fill(std::begin(pinnedPrn), std::end(pinnedPrn), uint8_t{0});
}

void SatAzElChartDialog::OnChartReplaced(QChart* newChart)
{
    // The balloons went with the old chart.
    chart = newChart;
    hoverCallout = nullptr;
    pinnedCallouts.clear();
}

void SatAzElChartDialog::ShowChart()
{
    ClearPins();
    WindowGeometry::Restore(this, kGeometryKey);
    show();
}

int SatAzElChartDialog::exec()
{
    ClearPins();
    WindowGeometry::Restore(this, kGeometryKey);
    return QDialog::exec();
}

void SatAzElChartDialog::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, kGeometryKey);
    DeletePinnedCallouts();
    QDialog::closeEvent(event);
}

void SatAzElChartDialog::resizeEvent(QResizeEvent* event)
{
    if (chart && chart->scene()) {
        for (Callout* c : pinnedCallouts)
            c->updateGeometry();
    }
    QDialog::resizeEvent(event);
}
