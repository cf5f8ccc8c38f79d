#include "FileDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace mapdesk {

QStringList FileDrop::localFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            files << url.toLocalFile();
    return files;
}

bool FileDrop::accept(QDropEvent *event)
{
    if (localFiles(event->mimeData()).isEmpty())
        return false;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

} // namespace mapdesk
