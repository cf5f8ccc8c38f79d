#pragma once

#include "IScreenMetrics.h"

namespace mapdesk {

/// Size of the primary screen in twips (1440 to the inch), from its pixel
/// size and its logical horizontal resolution. Throws HostError when the
/// desktop has no screen.
class ScreenService : public IScreenMetrics
{
public:
    double widthTwips() override;
    double heightTwips() override;
    double twipsPerPixelX() override;
};

} // namespace mapdesk
