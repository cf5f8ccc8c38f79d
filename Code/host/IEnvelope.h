#pragma once

#include "HostObject.h"

/// A bounding rectangle; the add-in only passes it on.
class QUARNELHOST_EXPORT IEnvelope : public virtual HostObject
{
};
