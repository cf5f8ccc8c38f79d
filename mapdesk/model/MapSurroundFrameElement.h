#pragma once

#include "Element.h"
#include "IMapSurroundFrame.h"

#include <memory>

namespace mapdesk {

class MapFrameElement;
class MapSurround;

/// A page-layout element holding a map surround (legend, north arrow, scale
/// bar) tied to a map frame. Owns its surround; shares the map frame with the
/// layout that shows it.
class MapSurroundFrameElement : public Element, public virtual IMapSurroundFrame
{
public:
    MapSurroundFrameElement(std::shared_ptr<MapFrameElement> mapFrame, std::shared_ptr<MapSurround> surround,
                            const QRectF &boundsMm = {});
    ~MapSurroundFrameElement() override;

    Kind kind() const override { return Kind::MapSurroundFrame; }

    std::shared_ptr<IMapSurround> mapSurround() override;
    std::shared_ptr<IMapFrame> mapFrame() override;

    std::shared_ptr<MapSurround> surroundModel() const { return m_surround; }
    std::shared_ptr<MapFrameElement> mapFrameModel() const { return m_mapFrame; }

private:
    std::shared_ptr<MapFrameElement> m_mapFrame;
    std::shared_ptr<MapSurround> m_surround;
};

} // namespace mapdesk
