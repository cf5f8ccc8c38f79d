#pragma once

#include "HostObject.h"

/// Type role of the page layout; it is also an IView and an IGraphicsContainer.
class QUARNELHOST_EXPORT IPageLayout : public virtual HostObject
{
};
