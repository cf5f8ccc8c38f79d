#pragma once

#include <QString>

namespace mapdesk {

class DesktopHost;

/// What `mapdesk --self-check` reports of a started host: the document with
/// its maps and layers, each loaded command with its toolbar, module and
/// registry, and every problem met. Lets an installation be checked without
/// a display or a look at the window.
struct SelfCheck
{
    QString report;      ///< one line per item, ending in "self-check: passed" or "self-check: failed"
    bool passed = false; ///< the document opened, and no command failed to load or lacks its button

    static SelfCheck of(const DesktopHost &host);
};

} // namespace mapdesk
