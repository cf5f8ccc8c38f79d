#pragma once

#include "IMessageBox.h"

/// The message box of a program without windows: the core's few messages
/// (a settings folder that cannot be made, say) go to standard error, one
/// line each, and nothing waits for a click.
class ConsoleMessageBox : public IMessageBox
{
public:
    void show(const QString &text, const QString &title) override;
};
