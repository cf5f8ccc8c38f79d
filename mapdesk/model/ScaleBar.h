#pragma once

#include "MapSurround.h"

namespace mapdesk {

/// The scale bar of a map; the window works out its divisions from the scale
/// at which it draws the map frame.
class ScaleBar : public MapSurround
{
public:
    explicit ScaleBar(std::shared_ptr<Map> map);
    ~ScaleBar() override;

    Kind kind() const override { return Kind::ScaleBar; }
};

} // namespace mapdesk
