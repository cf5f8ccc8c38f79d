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
    /// What the add-in worked out from the document's maps and layers as
    /// they are now (which maps, their names, their layers and group members
    /// in order, and those layers' names), kept by keepForLayers(); null when
    /// nothing is kept.
    virtual std::shared_ptr<void> keptForLayers() { return nullptr; }
    /// Keeps `kept` with the document until one of its maps or layers is
    /// added, removed, moved or renamed, and lets it go then (switching
    /// layers on or off keeps it), so that the add-in need not walk a large
    /// document again while nothing changed. A host that cannot tell when
    /// they change keeps nothing.
    virtual void keepForLayers(std::shared_ptr<void> kept) { (void)kept; }
};
