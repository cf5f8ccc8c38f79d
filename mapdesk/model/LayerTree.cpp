#include "LayerTree.h"

#include "GroupLayer.h"
#include "Map.h"

#include <algorithm>

namespace mapdesk {

namespace {
// Deeper than any document can nest; a bound against a group held in itself.
constexpr int kMaxDepth = 256;

std::optional<LayerTree::Place> find(const std::vector<std::shared_ptr<Layer>> &layers,
                                     const std::shared_ptr<GroupLayer> &group, const Layer *layer, int depth)
{
    if (depth > kMaxDepth)
        return std::nullopt;
    for (std::size_t i = 0; i < layers.size(); ++i) {
        if (layers[i].get() == layer)
            return LayerTree::Place{group, static_cast<int>(i)};
        if (const auto member = std::dynamic_pointer_cast<GroupLayer>(layers[i]))
            if (auto place = find(member->members(), member, layer, depth + 1))
                return place;
    }
    return std::nullopt;
}

bool within(const GroupLayer &group, const Layer *layer, int depth)
{
    if (depth > kMaxDepth)
        return false;
    for (const auto &member : group.members()) {
        if (member.get() == layer)
            return true;
        if (const auto *inner = dynamic_cast<const GroupLayer *>(member.get());
            inner && within(*inner, layer, depth + 1))
            return true;
    }
    return false;
}
} // namespace

std::optional<LayerTree::Place> LayerTree::locate(const Map &map, const Layer *layer)
{
    return find(map.layers(), nullptr, layer, 0);
}

bool LayerTree::contains(const Layer &ancestor, const Layer *layer)
{
    if (&ancestor == layer)
        return true;
    const auto *group = dynamic_cast<const GroupLayer *>(&ancestor);
    return group && within(*group, layer, 0);
}

void LayerTree::insert(Map &map, const std::shared_ptr<GroupLayer> &group, int index, std::shared_ptr<Layer> layer)
{
    const int count = group ? static_cast<int>(group->members().size()) : static_cast<int>(map.layers().size());
    index = std::clamp(index, 0, count);
    if (group)
        group->insertLayer(index, std::move(layer));
    else
        map.insertLayer(index, std::move(layer));
}

bool LayerTree::remove(Map &map, const std::shared_ptr<Layer> &layer)
{
    const std::optional<Place> place = locate(map, layer.get());
    if (!place)
        return false;
    return place->group ? place->group->removeLayer(layer) : map.removeLayer(layer);
}

bool LayerTree::move(Map &from, const std::shared_ptr<Layer> &layer, Map &to, const std::shared_ptr<GroupLayer> &group,
                     int index)
{
    const std::optional<Place> place = locate(from, layer.get());
    if (!place || (group && contains(*layer, group.get())))
        return false;
    if (group && !locate(to, group.get()))
        return false;
    // Taking the layer out first moves the later places of its own list up by one.
    if (&from == &to && place->group == group && place->index < index)
        --index;
    remove(from, layer);
    insert(to, group, index, layer);
    return true;
}

} // namespace mapdesk
