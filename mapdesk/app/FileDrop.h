#pragma once

#include <QStringList>

class QDropEvent;
class QMimeData;

namespace mapdesk {

/// Files dragged from a file manager onto one of mapdesk's views.
class FileDrop
{
public:
    /// The local files a drag carries, in order; empty when it carries none.
    static QStringList localFiles(const QMimeData *data);
    /// Accepts the drag or drop `event` as a copy when it carries local files.
    static bool accept(QDropEvent *event);
};

} // namespace mapdesk
