#pragma once

#include <QColor>
#include <QRectF>
#include <QTransform>

#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace mapdesk {

class CoordinateSystem;
class Layer;
struct LayerDrawing;

/// Draws map layers, for the data view and for the map frames of the page
/// layout: each feature layer by its symbol (FeatureDrawing), rasters as
/// their images. Map coordinates have y north, so the transforms flip y.
class MapPainter
{
public:
    /// The transform that fits `extent` (map coordinates) into `target`
    /// (device coordinates), north up, keeping the aspect and centring. An
    /// extent of no size (a single point) is centred at one map unit per
    /// device pixel. The identity when there is no extent or no target.
    static QTransform fit(const std::optional<QRectF> &extent, const QRectF &target);
    /// Metres on the ground per map unit of `system` around `at` (map
    /// coordinates): its linear unit, or for longitudes and latitudes a
    /// degree of longitude at that latitude. 0 when the system is unknown.
    static double metresPerUnit(const CoordinateSystem &system, const QPointF &at);
    /// The scale denominator N of "1:N" for `unitsPerPixel` map units per
    /// device pixel at `dotsPerInch`, around `at`; 0 when it is unknown.
    static double scaleDenominator(const CoordinateSystem &system, const QPointF &at, double unitsPerPixel,
                                   double dotsPerInch);
    /// A length in metres as a person reads it: "500 m", "2 km".
    static QString lengthText(double metres);
    /// Draws `layers`, given top first (table-of-contents order), bottom-up.
    static void draw(QPainter &painter, const std::vector<std::shared_ptr<Layer>> &layers, const QTransform &transform);
    /// Draws one layer; group layers draw nothing of their own.
    static void drawLayer(QPainter &painter, Layer &layer, const QTransform &transform);
    /// Draws one layer's drawing; safe on any thread, each with its own painter.
    static void drawLayer(QPainter &painter, const LayerDrawing &layer, const QTransform &transform);
    /// A small sample of how the layer is drawn, for legends.
    static void drawSwatch(QPainter &painter, Layer &layer, const QRectF &box);
};

} // namespace mapdesk
