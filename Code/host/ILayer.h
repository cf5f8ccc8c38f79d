#pragma once

#include "HostObject.h"

#include <QString>

/// Any layer of a map. Its visibility flag is its own: setting it never
/// changes a group above it or the members below it.
class QUARNELHOST_EXPORT ILayer : public virtual HostObject
{
public:
    virtual QString name() = 0;
    virtual bool visible() = 0;
    virtual void setVisible(bool visible) = 0;
};
