#pragma once

#include "IMaps.h"

#include <memory>
#include <vector>

namespace mapdesk {

class LayersStamp;
class Map;

/// The document's ordered maps. The document owns the collection and hands
/// out the same collection object every time; the collection owns the maps.
class MapCollection : public virtual IMaps
{
public:
    /// A collection of the document whose stamp this is (see LayersStamp).
    explicit MapCollection(std::shared_ptr<LayersStamp> stamp = nullptr);
    ~MapCollection() override;

    std::int32_t count() override;
    /// Map at index 0 .. count() - 1; throws HostError (E_FAIL) outside that range.
    std::shared_ptr<IMap> item(std::int32_t index) override;

    const std::vector<std::shared_ptr<Map>> &items() const { return m_maps; }
    void add(std::shared_ptr<Map> map);
    bool remove(const std::shared_ptr<Map> &map);
    /// Index of `map`, or -1.
    int indexOf(const Map *map) const;

private:
    std::vector<std::shared_ptr<Map>> m_maps;
    std::shared_ptr<LayersStamp> m_stamp;
};

} // namespace mapdesk
