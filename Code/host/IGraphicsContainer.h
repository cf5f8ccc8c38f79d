#pragma once

#include "HostObject.h"

class IElement;

/// The page layout's top-level graphic elements, walked in order.
class QUARNELHOST_EXPORT IGraphicsContainer : public virtual HostObject
{
public:
    /// Moves to before the first element.
    virtual void reset() = 0;
    /// The next element, or nullptr after the last.
    virtual std::shared_ptr<IElement> next() = 0;
};
