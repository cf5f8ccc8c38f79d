#pragma once

#include "IMapPictures.h"
#include "SetLayers.h"

#include <vector>

class IDocument;

/// The layer flags a restore of `layers` (a set's layers, each with its
/// flag) gives the document's layers, decided by the restore itself
/// (VisibilityApply) without switching anything: in order, a layer switched
/// twice taking its later flag, as a later record gives it. The host draws
/// every other layer as it shows now, as the restore leaves it.
std::vector<IMapPictures::LayerFlag> pictureFlags(IDocument &document, const std::vector<SetLayers::Layer> &layers);
