#pragma once

#include <functional>
#include <memory>

class IDocument;
class ILayer;
class IMap;

/// The walk over a document's recordable feature layers: the maps in order,
/// in each its layers first to last, and in place of a group layer the
/// group's direct members seen through its composite face. Only feature
/// layers are handed on; nested groups, a group's own flag and layers of
/// other kinds are passed over. Each count is read once before its loop.
namespace LayerWalk {
/// Calls onLayer(map, layer) for every recordable feature layer of the maps
/// that takeMap accepts (asked once per map, in order). The layer comes as
/// the host handed it, for callers that keep it beyond the call.
void forEachRecordable(IDocument &document, const std::function<bool(IMap &)> &takeMap,
                       const std::function<void(IMap &, const std::shared_ptr<ILayer> &)> &onLayer);

/// Sets the flag of every recordable feature layer of every map.
void setAllVisible(IDocument &document, bool visible);
} // namespace LayerWalk
