#include "LayerDrawing.h"

#include "FeatureLayer.h"
#include "RasterLayer.h"

namespace mapdesk {

LayerDrawing LayerDrawing::of(const Layer &layer)
{
    LayerDrawing drawing;
    if (const auto *features = dynamic_cast<const FeatureLayer *>(&layer)) {
        drawing.features = features->data();
        drawing.symbol = features->symbol();
    } else if (const auto *raster = dynamic_cast<const RasterLayer *>(&layer)) {
        drawing.image = raster->levels();
        drawing.imageExtent = raster->extent();
    }
    return drawing;
}

bool LayerDrawing::drawsAs(const LayerDrawing &other) const
{
    return features == other.features && symbol == other.symbol && image == other.image
           && imageExtent == other.imageExtent;
}

std::optional<QRectF> LayerDrawing::extent() const
{
    if (features)
        return features->extent();
    if (image)
        return imageExtent;
    return std::nullopt;
}

} // namespace mapdesk
