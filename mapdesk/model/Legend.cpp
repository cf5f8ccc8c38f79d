#include "Legend.h"

#include "Map.h"

namespace mapdesk {

Legend::Legend(std::shared_ptr<Map> map) : MapSurround(std::move(map)) {}

Legend::~Legend() = default;

void Legend::updateFromMap()
{
    if (const auto shown = map())
        m_items = shown->visibleLayers();
    else
        m_items.clear();
}

} // namespace mapdesk
