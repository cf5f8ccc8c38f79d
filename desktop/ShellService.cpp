#include "ShellService.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace mapdesk {

int ShellService::execute(QWidget * /*owner*/, const QString &operation, const QString &file,
                          const QString & /*parameters*/, const QString &directory, int /*showCommand*/)
{
    if (!operation.isEmpty() && operation.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0)
        return BadOperation;
    const QString target = file.trimmed();
    if (target.isEmpty())
        return NoAssociation;
    // Addresses ("www.example.com", "mailto:...") and file paths relative to
    // the given working folder are both accepted.
    const QUrl url = QUrl::fromUserInput(target, directory.isEmpty() ? QDir::currentPath() : directory);
    if (!url.isValid())
        return NoAssociation;
    return QDesktopServices::openUrl(url) ? Success : NoAssociation;
}

} // namespace mapdesk
