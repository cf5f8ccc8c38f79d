#pragma once

#include "MapSurround.h"

namespace mapdesk {

/// The north arrow of a map: drawn pointing up, as maps are drawn north up.
class NorthArrow : public MapSurround
{
public:
    explicit NorthArrow(std::shared_ptr<Map> map);
    ~NorthArrow() override;

    Kind kind() const override { return Kind::NorthArrow; }
};

} // namespace mapdesk
