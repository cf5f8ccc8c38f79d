#include "ScreenDisplay.h"

namespace mapdesk {

ScreenDisplay::ScreenDisplay() = default;

ScreenDisplay::~ScreenDisplay() = default;

} // namespace mapdesk
