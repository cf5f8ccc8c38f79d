#pragma once

#include "IMapPictures.h"
#include "SetLayers.h"

#include <vector>

class IDocument;

/// The layer flags a restore of `layers` (a set's layers, each with its
/// flag) gives the document's layers: those the restore switches, found by
/// the restore's own index of the recordable layers by map and layer name;
/// a later entry for the same names wins, as a later record does. The host
/// draws every other layer as it shows now, as the restore leaves it.
std::vector<IMapPictures::LayerFlag> pictureFlags(IDocument &document, const std::vector<SetLayers::Layer> &layers);
