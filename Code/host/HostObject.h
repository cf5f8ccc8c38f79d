#pragma once

#include "QuarnelHostExport.h"

#include <memory>

/// Base of every object the host hands to the add-in. A host object may play
/// several roles (a map is also a view, a group layer also a composite layer);
/// "seen as" another role is a dynamic_pointer_cast, and "the very same object"
/// is pointer identity.
class QUARNELHOST_EXPORT HostObject
{
public:
    virtual ~HostObject();
};

using HostObjectPtr = std::shared_ptr<HostObject>;
