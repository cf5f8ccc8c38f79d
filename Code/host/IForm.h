#pragma once

#include "QuarnelHostExport.h"

class QWidget;

/// A window of the add-in that a modeless frame can carry. The form owns its
/// widget; the frame only borrows it while attached.
class QUARNELHOST_EXPORT IForm
{
public:
    virtual ~IForm();
    virtual QWidget *formWidget() = 0;
    /// The window's load step; the frame runs it when the form is attached.
    virtual void formLoad() = 0;
};
