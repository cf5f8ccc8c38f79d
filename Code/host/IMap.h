#pragma once

#include "HostObject.h"

#include <QString>

#include <cstdint>

class ILayer;

/// A map with its ordered top-level layers. A map is also an IView.
class QUARNELHOST_EXPORT IMap : public virtual HostObject
{
public:
    virtual QString name() = 0;
    virtual std::int32_t layerCount() = 0;
    /// Layer at index 0 .. layerCount() - 1; throws HostError outside that range.
    virtual std::shared_ptr<ILayer> layer(std::int32_t index) = 0;
};
