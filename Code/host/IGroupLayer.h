#pragma once

#include "ILayer.h"

/// Type role of a group layer; its members are reached through ICompositeLayer.
class QUARNELHOST_EXPORT IGroupLayer : public virtual ILayer
{
};
