#pragma once

#include "ILegend.h"
#include "MapSurround.h"

#include <memory>
#include <vector>

namespace mapdesk {

class Layer;

/// The legend of a map. As of its last refresh (or updateFromMap()) it holds
/// the layers to show: every non-group layer of the map, nested groups
/// included, whose own flag and the flags of all groups above it are on, in
/// table-of-contents order. Changing a flag changes nothing here until the
/// next refresh.
class Legend : public MapSurround, public virtual ILegend
{
public:
    explicit Legend(std::shared_ptr<Map> map);
    ~Legend() override;

    Kind kind() const override { return Kind::Legend; }
    void updateFromMap() override;

    const std::vector<std::shared_ptr<Layer>> &items() const { return m_items; }

private:
    std::vector<std::shared_ptr<Layer>> m_items;
};

} // namespace mapdesk
