#pragma once

#include "IDisplay.h"

namespace mapdesk {

/// The screen display of a view. Each view (map data view, page layout)
/// owns exactly one and hands out the same object every time; the add-in
/// only passes it on, and a legend remembers the display it was fitted on.
class ScreenDisplay : public virtual IDisplay
{
public:
    ScreenDisplay();
    ~ScreenDisplay() override;
};

} // namespace mapdesk
