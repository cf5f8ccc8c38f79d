#include "Feature.h"

#include <algorithm>

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

} // namespace mapdesk
