#include "satazelchart.h"

#include "skychart.h"

#include <QAbstractAxis>
#include <QAbstractSeries>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPolarChart>
#include <QValueAxis>

#include <utility>
#include <vector>

void SatAzElChart::mouseMoveEvent(QMouseEvent* event)
{
    QChart* shown = chart();
    if (shown && shown->chartType() == QChart::ChartTypePolar) {
        const QPoint pixel = event->position().toPoint();
        const QPointF value = shown->mapToValue(shown->mapFromScene(mapToScene(pixel)));
        if (const auto message = SkyChart::AzElMessage(value))
            emit sendAzElMessage(*message);
    }
    QChartView::mouseMoveEvent(event);
}

void SatAzElChart::keyPressEvent(QKeyEvent* event)
{
    QChart* shown = chart();
    switch (event->key()) {
    case Qt::Key_Plus:
        shown->zoomIn();
        break;
    case Qt::Key_Minus:
        shown->zoomOut();
        break;
    case Qt::Key_Left:
        shown->scroll(-1, 0);
        break;
    case Qt::Key_Right:
        shown->scroll(1, 0);
        break;
    case Qt::Key_Up:
        shown->scroll(0, 1);
        break;
    case Qt::Key_Down:
        shown->scroll(0, -1);
        break;
    case Qt::Key_Space:
        switchChartType();
        break;
    default:
        QChartView::keyPressEvent(event);
        break;
    }
}

void SatAzElChart::switchChartType()
{
    QChart* old = chart();
    if (!old)
        return;
    QChart* next = old->chartType() == QChart::ChartTypePolar ? new QChart : new QPolarChart;

    // Attaching series to an axis may widen its range, so each range is put back after.
    struct AxisMove {
        QAbstractAxis* axis;
        Qt::Alignment alignment;
        QVariant min;
        QVariant max;
    };
    std::vector<AxisMove> axes;
    for (QAbstractAxis* axis : old->axes()) {
        const auto* value = qobject_cast<QValueAxis*>(axis);
        axes.push_back({axis, axis->alignment(), value ? QVariant(value->min()) : QVariant(),
                        value ? QVariant(value->max()) : QVariant()});
    }
    const QList<QAbstractSeries*> series = old->series();
    for (QAbstractSeries* s : series)
        old->removeSeries(s);
    for (const AxisMove& m : axes)
        old->removeAxis(m.axis);

    for (const AxisMove& m : axes)
        next->addAxis(m.axis, m.alignment);
    for (QAbstractSeries* s : series) {
        next->addSeries(s);
        for (const AxisMove& m : axes)
            s->attachAxis(m.axis);
    }
    for (const AxisMove& m : axes) {
        if (m.min.isValid())
            m.axis->setRange(m.min, m.max);
    }
    next->setTitle(old->title());
    next->setTitleFont(old->titleFont());
    next->setMargins(old->margins());
    // A new chart's legend draws plain squares; the star markers come from the series.
    next->legend()->setMarkerShape(old->legend()->markerShape());
    // Thirteen azimuth labels fit around the polar chart but not along a flat axis,
    // where all but the first would be cut to an ellipsis.
    const bool polar = next->chartType() == QChart::ChartTypePolar;
    for (QAbstractAxis* axis : next->axes()) {
        auto* value = qobject_cast<QValueAxis*>(axis);
        if (value && value->max() > 90.0)
            value->setTickCount(polar ? 13 : 7);
    }

    setChart(next);
    delete old;
    emit chartReplaced(next);
}
