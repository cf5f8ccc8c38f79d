#pragma once

#include "Application.h"
#include "Document.h"
#include "MainWindow.h"
#include "Map.h"

#include <QStringList>
#include <QTest>

namespace mapdesk {

/// Handles the window's events until what it opened or added is read (at
/// most half a minute); false when it is still reading then.
inline bool waitForReading(MainWindow *window)
{
    return QTest::qWaitFor([window] { return window->work() == nullptr; }, 30'000);
}

/// Opens `path` and waits for its layers' data; false when it does not open.
inline bool openAndWait(MainWindow *window, const QString &path)
{
    const bool opened = window->openDocument(path);
    return waitForReading(window) && opened;
}

/// Adds `paths` and waits until they are read: how many layers the focus map gained.
inline int addAndWait(MainWindow *window, const QStringList &paths)
{
    const auto count = [window] {
        const auto document = window->application()->currentDocument();
        const auto map = document ? document->focusMapModel() : nullptr;
        return map ? static_cast<int>(map->layers().size()) : 0;
    };
    const int before = count();
    window->addData(paths);
    waitForReading(window);
    return count() - before;
}

} // namespace mapdesk
