#include "Feature.h"

#include <algorithm>
#include <cmath>

namespace mapdesk {

QRectF Feature::extent() const
{
    QRectF box = areas.boundingRect().united(lines.boundingRect());
    if (areas.isEmpty() && lines.isEmpty() && !points.isEmpty())
        box = QRectF(points.front(), QSizeF(0, 0));
    for (const QPointF &point : points) {
        const double left = std::min(box.left(), point.x());
        const double top = std::min(box.top(), point.y());
        const double right = std::max(box.right(), point.x());
        const double bottom = std::max(box.bottom(), point.y());
        box = QRectF(QPointF(left, top), QPointF(right, bottom));
    }
    return box;
}

namespace {

double distanceToSegment(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    const double t = length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
    const QPointF nearest = a + ab * t;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

/// Whether a segment of `path` (its subpaths as drawn, straight) passes within `tolerance` of `p`.
bool nearPath(const QPainterPath &path, const QPointF &p, double tolerance)
{
    for (int i = 1; i < path.elementCount(); ++i) {
        const QPainterPath::Element to = path.elementAt(i);
        if (to.isMoveTo())
            continue;
        const QPainterPath::Element from = path.elementAt(i - 1);
        if (distanceToSegment(p, QPointF(from.x, from.y), QPointF(to.x, to.y)) <= tolerance)
            return true;
    }
    return false;
}

} // namespace

bool Feature::isAt(const QPointF &point, double tolerance) const
{
    if (!areas.isEmpty() && (areas.contains(point) || nearPath(areas, point, tolerance)))
        return true;
    if (!lines.isEmpty() && nearPath(lines, point, tolerance))
        return true;
    return std::any_of(points.begin(), points.end(), [&](const QPointF &at) {
        return std::hypot(at.x() - point.x(), at.y() - point.y()) <= tolerance;
    });
}

} // namespace mapdesk
