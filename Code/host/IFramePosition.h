#pragma once

#include "HostObject.h"

#include <cstdint>

/// Positions a modeless frame on the screen, in screen pixels.
class QUARNELHOST_EXPORT IFramePosition : public virtual HostObject
{
public:
    /// Moves the frame's top-left corner; the last two arguments are reserved (0).
    virtual void move(std::int32_t left, std::int32_t top, std::int32_t reserved1, std::int32_t reserved2) = 0;
};
