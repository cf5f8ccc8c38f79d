#include "SampleLayers.h"

#include "FeatureLayer.h"
#include "RasterLayer.h"
#include "Symbol.h"

#include <QDir>

using namespace mapdesk;

std::vector<std::shared_ptr<Layer>> sampleLayers()
{
    std::vector<std::shared_ptr<Layer>> layers;
    const QDir data(QStringLiteral(MAPDESK_SAMPLES "/data"));
    for (const QString &name : data.entryList({QStringLiteral("*.geojson")}, QDir::Files, QDir::Name)) {
        auto layer = std::make_shared<FeatureLayer>(name, data.filePath(name));
        if (layer->load())
            layers.push_back(layer);
    }
    for (const QString &name : data.entryList({QStringLiteral("*.tif"), QStringLiteral("*.png")}, QDir::Files)) {
        auto layer = std::make_shared<RasterLayer>(name, data.filePath(name));
        if (layer->load())
            layers.push_back(layer);
    }
    return layers;
}

std::shared_ptr<Layer> copyOf(const Layer &source, std::size_t n, bool visible)
{
    if (const auto *features = dynamic_cast<const FeatureLayer *>(&source)) {
        auto copy = std::make_shared<FeatureLayer>(QStringLiteral("Layer %1").arg(n), QString(), visible);
        copy->setFeatures(features->features());
        copy->setSymbol({Symbol::paletteColour(n), Symbol::DefaultLineWidth, Symbol::DefaultPointSize});
        return copy;
    }
    const auto &raster = static_cast<const RasterLayer &>(source);
    auto copy = std::make_shared<RasterLayer>(QStringLiteral("Layer %1").arg(n), QString(), visible);
    copy->setImage(raster.image(), *raster.extent());
    return copy;
}
