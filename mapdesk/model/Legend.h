#pragma once

#include "ILegend.h"
#include "LegendLayout.h"
#include "MapSurround.h"

#include <memory>
#include <vector>

namespace mapdesk {

class Layer;

/// The legend of a map. As of its last refresh (or updateFromMap()) it holds
/// the layers to show: every non-group layer of the map, nested groups
/// included, whose own flag and the flags of all groups above it are on, in
/// table-of-contents order. Changing a flag changes nothing here until the
/// next refresh.
///
/// Fitting it to its frame lays it out (see LegendLayout): its text and
/// symbols shrink, and past a readable minimum it takes more columns, so
/// that every item shows; a refresh lays the new items out in the same frame.
class Legend : public MapSurround, public virtual ILegend
{
public:
    explicit Legend(std::shared_ptr<Map> map);
    ~Legend() override;

    Kind kind() const override { return Kind::Legend; }
    void updateFromMap() override;
    /// Records the fit and lays the items out in `bounds`.
    void fitToBounds(std::shared_ptr<IDisplay> display, std::shared_ptr<IEnvelope> bounds, bool &changed) override;

    const std::vector<std::shared_ptr<Layer>> &items() const { return m_items; }
    /// The layout of the items in a frame of `frameMm`, measured with `font`.
    LegendLayout layoutFor(const QSizeF &frameMm, const QFont &font) const;
    /// The layout of the last fit (the default font), kept up to date by
    /// refreshes; the usual size and one column before the first fit.
    const LegendLayout &layout() const { return m_layout; }

private:
    std::vector<std::shared_ptr<Layer>> m_items;
    LegendLayout m_layout;
};

} // namespace mapdesk
