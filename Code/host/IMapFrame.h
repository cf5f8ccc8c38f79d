#pragma once

#include "HostObject.h"

class IMap;

/// An element of the page layout that shows one map.
class QUARNELHOST_EXPORT IMapFrame : public virtual HostObject
{
public:
    virtual std::shared_ptr<IMap> map() = 0;
};
