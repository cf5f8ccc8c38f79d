#pragma once

#include "FeatureData.h"
#include "ImageLevels.h"
#include "Symbol.h"

#include <QRectF>

#include <memory>
#include <optional>

namespace mapdesk {

class Layer;

/// What drawing one layer needs, taken from the layer on the interface
/// thread. Everything in it is shared and never changed, so a copy can be
/// drawn on any thread while the layer takes new data or a new symbol.
struct LayerDrawing
{
    /// A feature layer's features; null for any other layer.
    std::shared_ptr<const FeatureData> features;
    Symbol symbol;
    /// A raster layer's image with its reduced copies, and where it lies
    /// (map coordinates); null for any other layer.
    std::shared_ptr<const ImageLevels> image;
    std::optional<QRectF> imageExtent;

    /// The drawing of `layer` as it is now; draws nothing for a group.
    static LayerDrawing of(const Layer &layer);
    /// Whether both draw the same: the same data, symbol and image.
    bool drawsAs(const LayerDrawing &other) const;
    /// The area drawn, in map coordinates; empty when nothing is drawn.
    std::optional<QRectF> extent() const;
};

} // namespace mapdesk
