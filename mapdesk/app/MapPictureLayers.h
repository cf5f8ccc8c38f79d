#pragma once

#include "IMapPictures.h"
#include "MapRenderer.h"

#include <vector>

namespace mapdesk {

class Map;

/// The layers (top first) that `map` draws with `flags` applied and every
/// other layer's flag as it is now: a layer is drawn when it and every
/// group above it are visible.
std::vector<MapRenderer::Entry> drawnWith(const Map &map, const std::vector<IMapPictures::LayerFlag> &flags);

/// The frame a picture of `map` takes without a view: its full extent
/// fitted into the view's usual size, within the view's margins.
MapRenderer::Frame frameWithoutView(const Map &map);

} // namespace mapdesk
