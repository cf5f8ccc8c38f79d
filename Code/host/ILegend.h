#pragma once

#include "HostObject.h"

/// Type role of a map surround that is a legend.
class QUARNELHOST_EXPORT ILegend : public virtual HostObject
{
};
