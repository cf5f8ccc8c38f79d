#pragma once

#include "HostObject.h"

class IDisplay;
class IEnvelope;

/// A legend, north arrow or scale bar of a map.
class QUARNELHOST_EXPORT IMapSurround : public virtual HostObject
{
public:
    /// Lays the surround out to fit the bounds; `changed` is in/out.
    virtual void fitToBounds(std::shared_ptr<IDisplay> display, std::shared_ptr<IEnvelope> bounds, bool &changed) = 0;
    /// Re-reads the map (for a legend: which layers it lists).
    virtual void refresh() = 0;
};
