#include "NorthArrow.h"

namespace mapdesk {

NorthArrow::NorthArrow(std::shared_ptr<Map> map) : MapSurround(std::move(map)) {}

NorthArrow::~NorthArrow() = default;

} // namespace mapdesk
