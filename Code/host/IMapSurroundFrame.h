#pragma once

#include "HostObject.h"

class IMapFrame;
class IMapSurround;

/// An element holding a legend, north arrow or scale bar tied to a map frame.
class QUARNELHOST_EXPORT IMapSurroundFrame : public virtual HostObject
{
public:
    virtual std::shared_ptr<IMapSurround> mapSurround() = 0;
    virtual std::shared_ptr<IMapFrame> mapFrame() = 0;
};
