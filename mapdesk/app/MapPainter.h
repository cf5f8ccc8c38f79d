#pragma once

#include <QColor>
#include <QRectF>
#include <QTransform>

#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace mapdesk {

class Layer;

/// Draws map layers, for the data view and for the map frames of the page
/// layout: each feature layer by its symbol (areas filled half transparent
/// and outlined, lines stroked, points as dots); rasters as their images. Map coordinates have y north, so the
/// transforms flip y.
class MapPainter
{
public:
    /// The transform that fits `extent` (map coordinates) into `target`
    /// (device coordinates), north up, keeping the aspect and centring. An
    /// extent of no size (a single point) is centred at one map unit per
    /// device pixel. The identity when there is no extent or no target.
    static QTransform fit(const std::optional<QRectF> &extent, const QRectF &target);
    /// Draws `layers`, given top first (table-of-contents order), bottom-up.
    static void draw(QPainter &painter, const std::vector<std::shared_ptr<Layer>> &layers, const QTransform &transform);
    /// Draws one layer; group layers draw nothing of their own.
    static void drawLayer(QPainter &painter, Layer &layer, const QTransform &transform);
    /// A small sample of how the layer is drawn, for legends.
    static void drawSwatch(QPainter &painter, Layer &layer, const QRectF &box);
};

} // namespace mapdesk
