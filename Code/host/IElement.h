#pragma once

#include "HostObject.h"

class IGeometry;

/// A graphic element of the page layout.
class QUARNELHOST_EXPORT IElement : public virtual HostObject
{
public:
    virtual std::shared_ptr<IGeometry> geometry() = 0;
};
