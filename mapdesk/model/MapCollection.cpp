#include "MapCollection.h"

#include "IndexCheck.h"
#include "LayersStamp.h"
#include "Map.h"

#include <algorithm>

namespace mapdesk {

MapCollection::MapCollection(std::shared_ptr<LayersStamp> stamp) : m_stamp(std::move(stamp)) {}

MapCollection::~MapCollection() = default;

std::int32_t MapCollection::count()
{
    return hostCount(m_maps.size());
}

std::shared_ptr<IMap> MapCollection::item(std::int32_t index)
{
    checkIndex(index, m_maps.size(), "map");
    return m_maps[static_cast<std::size_t>(index)];
}

void MapCollection::add(std::shared_ptr<Map> map)
{
    if (map)
        map->joinStamp(m_stamp);
    m_maps.push_back(std::move(map));
    LayersStamp::letGo(m_stamp);
}

bool MapCollection::remove(const std::shared_ptr<Map> &map)
{
    const auto found = std::find(m_maps.begin(), m_maps.end(), map);
    if (found == m_maps.end())
        return false;
    m_maps.erase(found);
    LayersStamp::letGo(m_stamp);
    return true;
}

int MapCollection::indexOf(const Map *map) const
{
    for (std::size_t i = 0; i < m_maps.size(); ++i) {
        if (m_maps[i].get() == map)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace mapdesk
