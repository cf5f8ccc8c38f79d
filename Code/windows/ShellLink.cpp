#include "ShellLink.h"

#include "HostServices.h"
#include "IShell.h"

#include <QMouseEvent>

namespace ShellLink {

bool isClick(QEvent *event)
{
    return event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
}

void open(const HostServices &services, QWidget *owner, const QString &target)
{
    // Parameters and directory are empty texts, not absent ones. A link has
    // nothing to report: when no program opens the target, nothing happens,
    // and no failure may escape into the event loop.
    try {
        services.shell().execute(owner, QStringLiteral("Open"), target, QStringLiteral(""), QStringLiteral(""), 1);
    } catch (...) {
    }
}

} // namespace ShellLink
