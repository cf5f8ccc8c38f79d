#pragma once

#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QVariantMap>

namespace mapdesk {

/// One feature of a feature layer, ready to draw, in map coordinates (x east,
/// y north: a window draws it through a transform that flips y).
/// Multi-part and collection geometries are merged into the three parts.
struct Feature
{
    /// Polygon rings, each a closed subpath; fill with Qt::OddEvenFill.
    QPainterPath areas;
    /// Line strings, each an open subpath; stroke only.
    QPainterPath lines;
    /// Points.
    QList<QPointF> points;
    /// The feature's attribute values by field name.
    QVariantMap attributes;

    /// Bounding box of all parts; null when the feature has no geometry.
    QRectF extent() const;
    /// Whether the feature is at `point` (map coordinates): inside one of its
    /// areas, or within `tolerance` of one of its lines, outlines or points.
    bool isAt(const QPointF &point, double tolerance) const;
};

} // namespace mapdesk
