#pragma once

#include "HostObject.h"

/// A view's screen display; the add-in only passes it on.
class QUARNELHOST_EXPORT IDisplay : public virtual HostObject
{
};
