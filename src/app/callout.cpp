#include "callout.h"

#include <QChart>
#include <QFontMetrics>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPainterPath>

Callout::Callout(QChart* chart) : QGraphicsItem(chart), chart(chart)
{
    font.setFamily(QStringLiteral("Veranda"));
    font.setPointSize(8);
}

void Callout::setText(const QString& s)
{
    text = s;
    const QFontMetrics metrics(font);
    // Room for a few more digits keeps the balloon from jumping in width as values change.
    textRect = QRectF(5, 5, metrics.horizontalAdvance(text + QStringLiteral("99999")),
                      metrics.height());
    prepareGeometryChange();
    rect = textRect.adjusted(-5, -5, 5, 5);
}

void Callout::setAnchor(QPointF point)
{
    anchor = point;
}

void Callout::updateGeometry()
{
    prepareGeometryChange();
    setPos(chart->mapToPosition(anchor) + QPointF(10, -50));
}

QRectF Callout::boundingRect() const
{
    const QPointF a = mapFromParent(chart->mapToPosition(anchor));
    QRectF r;
    r.setLeft(qMin(rect.left(), a.x()));
    r.setRight(qMax(rect.right(), a.x()));
    r.setTop(qMin(rect.top(), a.y()));
    r.setBottom(qMax(rect.bottom(), a.y()));
    return r;
}

void Callout::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    QPainterPath path;
    path.addRoundedRect(rect, 5, 5);

    const QPointF a = mapFromParent(chart->mapToPosition(anchor));
    if (!rect.contains(a)) {
        const bool above = a.y() <= rect.top();
        const bool aboveCenter = a.y() > rect.top() && a.y() <= rect.center().y();
        const bool belowCenter = a.y() > rect.center().y() && a.y() <= rect.bottom();
        const bool below = a.y() > rect.bottom();
        const bool onLeft = a.x() <= rect.left();
        const bool leftOfCenter = a.x() > rect.left() && a.x() <= rect.center().x();
        const bool rightOfCenter = a.x() > rect.center().x() && a.x() <= rect.right();
        const bool onRight = a.x() > rect.right();

        // The pointer leaves from the side facing the anchor, 10 to 20 units from the
        // nearest corner; in a corner zone, from the side the anchor is farther away from.
        const qreal x = (onRight + rightOfCenter) * rect.width();
        const qreal y = (below + belowCenter) * rect.height();
        const bool cornerCase = (above && onLeft) || (above && onRight) || (below && onLeft)
                                || (below && onRight);
        const bool vertical = qAbs(a.x() - x) > qAbs(a.y() - y);

        const qreal x1 = x + leftOfCenter * 10 - rightOfCenter * 20 + cornerCase * !vertical
                             * (onLeft * 10 - onRight * 20);
        const qreal y1 = y + aboveCenter * 10 - belowCenter * 20 + cornerCase * vertical
                             * (above * 10 - below * 20);
        const qreal x2 = x + leftOfCenter * 20 - rightOfCenter * 10 + cornerCase * !vertical
                             * (onLeft * 20 - onRight * 10);
        const qreal y2 = y + aboveCenter * 20 - belowCenter * 10 + cornerCase * vertical
                             * (above * 20 - below * 10);

        path.moveTo(QPointF(x1, y1) + rect.topLeft());
        path.lineTo(a);
        path.lineTo(QPointF(x2, y2) + rect.topLeft());
        path = path.simplified();
    }
    painter->setBrush(QColor(255, 255, 255));
    painter->drawPath(path);
    painter->setFont(font);
    painter->drawText(textRect, text);
}

void Callout::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    event->setAccepted(true);
}

void Callout::mouseMoveEvent(QGraphicsSceneMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton) {
        setPos(mapToParent(event->pos() - event->buttonDownPos(Qt::LeftButton)));
        event->setAccepted(true);
    } else {
        event->setAccepted(false);
    }
}
