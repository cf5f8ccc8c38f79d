#include "MapSurroundFrameElement.h"

#include "MapFrameElement.h"
#include "MapSurround.h"

namespace mapdesk {

MapSurroundFrameElement::MapSurroundFrameElement(std::shared_ptr<MapFrameElement> mapFrame,
                                                 std::shared_ptr<MapSurround> surround, const QRectF &boundsMm)
    : Element(boundsMm), m_mapFrame(std::move(mapFrame)), m_surround(std::move(surround))
{
}

MapSurroundFrameElement::~MapSurroundFrameElement() = default;

std::shared_ptr<IMapSurround> MapSurroundFrameElement::mapSurround()
{
    return m_surround;
}

std::shared_ptr<IMapFrame> MapSurroundFrameElement::mapFrame()
{
    return m_mapFrame;
}

} // namespace mapdesk
