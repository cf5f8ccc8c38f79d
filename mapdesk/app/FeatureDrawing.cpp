#include "FeatureDrawing.h"

#include <QPainter>
#include <QPainterPath>

namespace mapdesk {

void FeatureDrawing::draw(QPainter &painter, const FeatureData &data, const Symbol &symbol, const QTransform &transform)
{
    const QColor &colour = symbol.colour;
    const double radius = symbol.pointSize / 2;
    QColor fill = colour;
    fill.setAlpha(150);
    QPen outline(colour.darker(160));
    outline.setCosmetic(true);
    outline.setWidthF(1.0);
    QPen line(colour);
    line.setCosmetic(true);
    line.setWidthF(symbol.lineWidth);
    line.setCapStyle(Qt::RoundCap);
    line.setJoinStyle(Qt::RoundJoin);
    for (const Feature &feature : data.features()) {
        if (!feature.areas.isEmpty()) {
            QPainterPath areas = transform.map(feature.areas);
            areas.setFillRule(Qt::OddEvenFill);
            painter.setPen(outline);
            painter.setBrush(fill);
            painter.drawPath(areas);
        }
        if (!feature.lines.isEmpty()) {
            painter.setPen(line);
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(transform.map(feature.lines));
        }
        if (!feature.points.isEmpty()) {
            painter.setPen(outline);
            painter.setBrush(colour);
            for (const QPointF &point : feature.points)
                painter.drawEllipse(transform.map(point), radius, radius);
        }
    }
}

} // namespace mapdesk
