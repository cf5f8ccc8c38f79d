#include "MapFrameElement.h"

#include "Map.h"

namespace mapdesk {

MapFrameElement::MapFrameElement(QString id, std::shared_ptr<Map> map, const QRectF &boundsMm)
    : Element(boundsMm), m_id(std::move(id)), m_map(std::move(map))
{
}

MapFrameElement::~MapFrameElement() = default;

std::shared_ptr<IMap> MapFrameElement::map()
{
    return m_map;
}

} // namespace mapdesk
