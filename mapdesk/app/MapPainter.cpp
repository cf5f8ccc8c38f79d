#include "MapPainter.h"

#include "CoordinateSystem.h"
#include "FeatureDrawing.h"
#include "FeatureLayer.h"
#include "Layer.h"
#include "LayerDrawing.h"
#include "RasterLayer.h"

#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace mapdesk {

namespace {
QRectF withArea(QRectF extent, const QSizeF &target)
{
    // A single point is shown at one map unit per pixel; a horizontal or
    // vertical line still gets a view around it.
    if (extent.width() <= 0 && extent.height() <= 0)
        return QRectF(extent.center() - QPointF(target.width() / 2, target.height() / 2), target);
    if (extent.width() <= 0)
        extent.adjust(-0.5, 0, 0.5, 0);
    if (extent.height() <= 0)
        extent.adjust(0, -0.5, 0, 0.5);
    return extent;
}
} // namespace

QTransform MapPainter::fit(const std::optional<QRectF> &extent, const QRectF &target)
{
    if (!extent || target.isEmpty())
        return {};
    const QRectF area = withArea(*extent, target.size());
    const double scale = std::min(target.width() / area.width(), target.height() / area.height());
    const QPointF centre = area.center();
    const QPointF targetCentre = target.center();
    // x' = (x - cx) * s + tx, y' = -(y - cy) * s + ty
    return QTransform(scale, 0, 0, -scale, targetCentre.x() - centre.x() * scale,
                      targetCentre.y() + centre.y() * scale);
}

double MapPainter::metresPerUnit(const CoordinateSystem &system, const QPointF &at)
{
    if (!system.isValid())
        return 0;
    if (!system.isGeographic())
        return system.metresPerUnit();
    const double latitude = std::clamp(at.y(), -89.0, 89.0) * M_PI / 180.0;
    return system.metresPerUnit() * std::cos(latitude);
}

double MapPainter::scaleDenominator(const CoordinateSystem &system, const QPointF &at, double unitsPerPixel,
                                    double dotsPerInch)
{
    const double metres = metresPerUnit(system, at);
    if (metres <= 0 || unitsPerPixel <= 0 || dotsPerInch <= 0)
        return 0;
    constexpr double kMetresPerInch = 0.0254;
    return unitsPerPixel * metres / (kMetresPerInch / dotsPerInch);
}

QString MapPainter::lengthText(double metres)
{
    if (metres >= 1000)
        return QStringLiteral("%1 km").arg(QLocale().toString(metres / 1000, 'g', 6));
    return QStringLiteral("%1 m").arg(QLocale().toString(metres, 'g', 6));
}

void MapPainter::draw(QPainter &painter, const std::vector<std::shared_ptr<Layer>> &layers, const QTransform &transform)
{
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer)
        if (*layer)
            drawLayer(painter, **layer, transform);
}

void MapPainter::drawLayer(QPainter &painter, Layer &layer, const QTransform &transform)
{
    drawLayer(painter, LayerDrawing::of(layer), transform);
}

void MapPainter::drawLayer(QPainter &painter, const LayerDrawing &layer, const QTransform &transform)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (layer.image && !layer.image->image().isNull() && layer.imageExtent) {
        // Drawn from the level nearest the view's resolution. Cells larger
        // than a device pixel are drawn as crisp cells, a cell to a pixel is
        // copied as it is; only a level still larger than the view is
        // smoothed, which blends what falls into one pixel.
        const QRectF target = transform.mapRect(*layer.imageExtent);
        const QImage level = layer.image->levelFor(target.size());
        const bool reduced = level.width() > target.width() + 0.5 || level.height() > target.height() + 0.5;
        painter.setRenderHint(QPainter::SmoothPixmapTransform, reduced);
        painter.drawImage(target, level);
    } else if (layer.features) {
        FeatureDrawing::draw(painter, *layer.features, layer.symbol, transform);
    }
    painter.restore();
}

void MapPainter::drawSwatch(QPainter &painter, Layer &layer, const QRectF &box)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (dynamic_cast<RasterLayer *>(&layer)) {
        QLinearGradient gradient(box.topLeft(), box.bottomRight());
        gradient.setColorAt(0, QColor(70, 120, 60));
        gradient.setColorAt(1, QColor(220, 210, 160));
        painter.setBrush(gradient);
        painter.setPen(QPen(Qt::darkGray, 0));
        painter.drawRect(box);
    } else if (auto *featureLayer = dynamic_cast<FeatureLayer *>(&layer)) {
        // The swatch shows the kind of shape the layer holds.
        bool areas = false, lines = false;
        for (const Feature &feature : featureLayer->features()) {
            areas = areas || !feature.areas.isEmpty();
            lines = lines || !feature.lines.isEmpty();
        }
        const QColor colour = featureLayer->symbol().colour;
        if (areas) {
            QColor fill = colour;
            fill.setAlpha(150);
            painter.setBrush(fill);
            painter.setPen(QPen(colour.darker(160), 0));
            painter.drawRect(box);
        } else if (lines) {
            painter.setPen(QPen(colour, std::max(1.5, box.height() / 5)));
            painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
        } else {
            const double radius = std::min(box.width(), box.height()) / 3;
            painter.setBrush(colour);
            painter.setPen(QPen(colour.darker(160), 0));
            painter.drawEllipse(box.center(), radius, radius);
        }
    }
    painter.restore();
}

} // namespace mapdesk
