#pragma once

#include <memory>
#include <optional>

namespace mapdesk {

class GroupLayer;
class Layer;
class Map;

/// The tree of a map's layers as one thing to edit: where a layer sits, and
/// moving, inserting and removing layers at any depth. The map and its
/// groups keep owning their layers; nothing here emits or redraws.
class LayerTree
{
public:
    /// Where a layer sits: its group (null for the map's top level) and its index there.
    struct Place
    {
        std::shared_ptr<GroupLayer> group;
        int index = -1;
    };

    /// The place of `layer` in `map`, at any depth; nothing when it is not in the map.
    static std::optional<Place> locate(const Map &map, const Layer *layer);
    /// Whether `layer` is `ancestor` itself or lies anywhere inside it.
    static bool contains(const Layer &ancestor, const Layer *layer);
    /// Inserts `layer` at `index` (clamped to 0 .. count) of `group`, or of the map's top level.
    static void insert(Map &map, const std::shared_ptr<GroupLayer> &group, int index, std::shared_ptr<Layer> layer);
    /// Takes `layer` out of `map` wherever it sits; false when it is not there.
    static bool remove(Map &map, const std::shared_ptr<Layer> &layer);
    /// Moves `layer` from `from` to `index` of `group` in `to` (the same map
    /// or another), where `index` counts the places before the move. Refuses
    /// (false, nothing changed) a layer that is not in `from` or a group put
    /// into itself or one of its members.
    static bool move(Map &from, const std::shared_ptr<Layer> &layer, Map &to, const std::shared_ptr<GroupLayer> &group,
                     int index);
};

} // namespace mapdesk
