#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace mapdesk {
class Layer;
}

/// The bundled sample data's layers as mapdesk's drawing benchmarks repeat
/// them: the GeoJSON files by name, then the images, each read once.
std::vector<std::shared_ptr<mapdesk::Layer>> sampleLayers();

/// Copy `n` of `source`: its data shared, named "Layer n", with a colour of
/// its own, shown or hidden.
std::shared_ptr<mapdesk::Layer> copyOf(const mapdesk::Layer &source, std::size_t n, bool visible);
