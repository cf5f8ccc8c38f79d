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
};
