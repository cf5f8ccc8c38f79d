#pragma once

#include "QuarnelHostExport.h"

/// Desktop service: the size of the screen in twips (1440 to the inch) and
/// the number of twips per pixel.
class QUARNELHOST_EXPORT IScreenMetrics
{
public:
    virtual ~IScreenMetrics();
    virtual double widthTwips() = 0;
    virtual double heightTwips() = 0;
    virtual double twipsPerPixelX() = 0;
};
