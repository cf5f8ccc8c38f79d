#pragma once

#include "HostObject.h"

#include <cstdint>

class IMap;

/// The document's ordered collection of maps.
class QUARNELHOST_EXPORT IMaps : public virtual HostObject
{
public:
    virtual std::int32_t count() = 0;
    /// Map at index 0 .. count() - 1; throws HostError outside that range.
    virtual std::shared_ptr<IMap> item(std::int32_t index) = 0;
};
