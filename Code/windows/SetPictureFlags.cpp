#include "SetPictureFlags.h"

#include "LayerIndex.h"

#include <optional>

std::vector<IMapPictures::LayerFlag> pictureFlags(IDocument &document, const std::vector<SetLayers::Layer> &layers)
{
    LayerIndex index(document);
    std::vector<std::optional<bool>> flagOf(std::size_t(index.pairCount()));
    for (const SetLayers::Layer &layer : layers)
        if (const int pair = index.find(layer.mapName, layer.layerName); pair >= 0)
            flagOf[std::size_t(pair)] = layer.visible;
    std::vector<IMapPictures::LayerFlag> flags;
    for (int pair = 0; pair < index.pairCount(); ++pair)
        if (const std::optional<bool> visible = flagOf[std::size_t(pair)])
            for (const std::shared_ptr<ILayer> &layer : index.layers(pair))
                flags.push_back({layer, *visible});
    return flags;
}
