#pragma once

#include "HostObject.h"

class IDisplay;
class IEnvelope;
class IMap;

/// A view that draws: a map's data view or the page layout.
class QUARNELHOST_EXPORT IView : public virtual HostObject
{
public:
    /// Draw phases a partial refresh can be limited to.
    enum DrawPhase : int { Geography = 1, Graphics = 8 };

    virtual std::shared_ptr<IMap> focusMap() = 0;
    virtual std::shared_ptr<IDisplay> screenDisplay() = 0;
    /// Redraws the whole view.
    virtual void refresh() = 0;
    /// Redraws one phase, limited to one object and/or an area when given.
    virtual void partialRefresh(int phase, HostObjectPtr data, std::shared_ptr<IEnvelope> area) = 0;
};
