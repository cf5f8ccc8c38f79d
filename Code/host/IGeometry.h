#pragma once

#include "HostObject.h"

class IEnvelope;

/// The shape of a graphic element.
class QUARNELHOST_EXPORT IGeometry : public virtual HostObject
{
public:
    virtual std::shared_ptr<IEnvelope> envelope() = 0;
};
