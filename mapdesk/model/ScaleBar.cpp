#include "ScaleBar.h"

namespace mapdesk {

ScaleBar::ScaleBar(std::shared_ptr<Map> map) : MapSurround(std::move(map)) {}

ScaleBar::~ScaleBar() = default;

} // namespace mapdesk
