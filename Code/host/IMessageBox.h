#pragma once

#include "QuarnelHostExport.h"

#include <QString>

/// Desktop service: a message box with one OK button and no icon. The text is
/// plain text, never markup. Blocks until the user closes it.
class QUARNELHOST_EXPORT IMessageBox
{
public:
    virtual ~IMessageBox();
    virtual void show(const QString &text, const QString &title) = 0;
};
