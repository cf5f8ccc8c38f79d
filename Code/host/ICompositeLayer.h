#pragma once

#include "HostObject.h"

#include <cstdint>

class ILayer;

/// The members of a layer that holds other layers, in their order.
class QUARNELHOST_EXPORT ICompositeLayer : public virtual HostObject
{
public:
    virtual std::int32_t count() = 0;
    /// Member at index 0 .. count() - 1; throws HostError outside that range.
    virtual std::shared_ptr<ILayer> layer(std::int32_t index) = 0;
};
