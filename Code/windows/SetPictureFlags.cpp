#include "SetPictureFlags.h"

#include "LayerIndex.h"
#include "VisibilityApply.h"
#include "VisibilitySetFile.h"

std::vector<IMapPictures::LayerFlag> pictureFlags(IDocument &document, const std::vector<SetLayers::Layer> &layers)
{
    LayerIndex index(document);
    std::vector<IMapPictures::LayerFlag> flags;
    // Decided as a restore decides, switching nothing.
    VisibilityApply decide(index, [&flags](const std::shared_ptr<ILayer> &layer, bool visible) {
        flags.push_back({layer, visible});
    });
    for (const SetLayers::Layer &layer : layers)
        decide.apply(VisibilityRecord{QString(), layer.mapName, layer.layerName,
                                      layer.visible ? QStringLiteral("True") : QStringLiteral("False")});
    return flags;
}
