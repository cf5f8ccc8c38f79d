#pragma once

#include "ILayer.h"

/// Type role of a layer of vector features.
class QUARNELHOST_EXPORT IFeatureLayer : public virtual ILayer
{
};
