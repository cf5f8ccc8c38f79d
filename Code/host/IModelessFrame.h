#pragma once

#include "HostObject.h"

#include <QString>

class IForm;

/// A host window that floats a form over the application without blocking it.
/// Also an IFramePosition. The frame does not own the form; the form must
/// outlive its attachment or the frame must be destroyed first.
class QUARNELHOST_EXPORT IModelessFrame : public virtual HostObject
{
public:
    /// Carries the form and runs its load step.
    virtual void attach(IForm *form) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setCaption(const QString &caption) = 0;
};
