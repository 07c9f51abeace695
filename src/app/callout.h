#pragma once

#include <QFont>
#include <QGraphicsItem>
#include <QPointF>
#include <QRectF>
#include <QString>

class QChart;

// A balloon on the sky chart that points at one satellite. It belongs to the chart it
// was made on and is deleted with it. The user may drag it aside with the left button.
class Callout : public QGraphicsItem
{
public:
    explicit Callout(QChart* chart);

    void setText(const QString& text);
    void setAnchor(QPointF point);
    void updateGeometry();

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option,
               QWidget* widget) override;

    QString text;
    QRectF textRect;
    QRectF rect;
    QFont font;
    QChart* chart;
    QPointF anchor;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
};
