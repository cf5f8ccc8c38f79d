#pragma once

#include <memory>

namespace mapdesk {
class Document;
}

/// Builds the mapdesk document that the benchmarks' sets were saved from:
/// `layers` feature layers spread over BenchData::mapCount maps. In each map,
/// of every ten feature layers six stand at the top level and four in a group
/// layer; the first group also holds a nested group (passed over by every
/// walk) and each map ends with a raster layer. Feature layers are numbered
/// in walk order and named by BenchData::layerName. The page layout shows
/// the focus map with its legend. The caller owns the document.
namespace BenchDocument {
std::shared_ptr<mapdesk::Document> make(int layers);
}
