#pragma once

#include <QString>

class HostServices;
class QEvent;
class QWidget;

/// Link labels: what counts as a click on one, and handing its target to the
/// desktop's shell. Links have no failure trap and ignore the shell's result.
namespace ShellLink {
/// A left-button release over the label.
bool isClick(QEvent *event);
/// Opens the target with the window holding the link as owner.
void open(const HostServices &services, QWidget *owner, const QString &target);
} // namespace ShellLink
