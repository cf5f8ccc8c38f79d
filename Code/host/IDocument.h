#pragma once

#include "HostObject.h"

class IMap;
class IMaps;
class IPageLayout;
class IView;

/// An open map document: its maps, focus map, active view and page layout.
class QUARNELHOST_EXPORT IDocument : public virtual HostObject
{
public:
    virtual std::shared_ptr<IPageLayout> pageLayout() = 0;
    /// The focus map's data view or the page layout, whichever is shown.
    virtual std::shared_ptr<IView> activeView() = 0;
    virtual std::shared_ptr<IMap> focusMap() = 0;
    /// Makes the table of contents show the layers' current flags.
    virtual void updateContents() = 0;
    virtual std::shared_ptr<IMaps> maps() = 0;
    /// A token that stands for the document's maps and layers as they are
    /// now: which maps, their names, their layers and group members in order,
    /// and those layers' names. The document hands out the same token until
    /// one of these changes and a new one after, so that whatever was worked
    /// out from them may be kept while the token lives (switching layers on
    /// or off keeps it). Null when the host cannot tell: nothing is kept then.
    virtual std::shared_ptr<const void> layersToken() { return nullptr; }
};
