#pragma once

#include "IMapSurround.h"

#include <QRectF>

#include <memory>

namespace mapdesk {

class Map;

/// Base of the things drawn around a map on the page (legend, north arrow,
/// scale bar). Tied to one map, which it shares with the document. Keeps
/// count of its refreshes and remembers the bounds it was last fitted to.
class MapSurround : public virtual IMapSurround
{
public:
    enum class Kind { Legend, NorthArrow, ScaleBar };

    ~MapSurround() override;

    virtual Kind kind() const = 0;

    /// Records the fit: fittedBounds() becomes the envelope's rectangle, the
    /// display is remembered and `changed` is set to true. Throws HostError
    /// when `bounds` is null or not an envelope of this host.
    void fitToBounds(std::shared_ptr<IDisplay> display, std::shared_ptr<IEnvelope> bounds, bool &changed) override;
    /// Counts the refresh and re-reads the map (updateFromMap()).
    void refresh() override;

    /// Re-reads the map without counting a refresh; nothing for surrounds
    /// that do not depend on the map's layers.
    virtual void updateFromMap();

    std::shared_ptr<Map> map() const { return m_map; }
    int refreshCount() const { return m_refreshCount; }
    int fitCount() const { return m_fitCount; }
    bool isFitted() const { return m_fitCount > 0; }
    /// The bounds of the last fit, in millimetres on the page; null before the first.
    QRectF fittedBounds() const { return m_fittedBounds; }
    /// The display of the last fit, or nullptr.
    std::shared_ptr<IDisplay> fittedDisplay() const { return m_fittedDisplay.lock(); }

protected:
    explicit MapSurround(std::shared_ptr<Map> map);

private:
    std::shared_ptr<Map> m_map;
    int m_refreshCount = 0;
    int m_fitCount = 0;
    QRectF m_fittedBounds;
    std::weak_ptr<IDisplay> m_fittedDisplay;
};

} // namespace mapdesk
