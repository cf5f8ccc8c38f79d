#include "Legend.h"

#include "Layer.h"
#include "Map.h"

namespace mapdesk {

Legend::Legend(std::shared_ptr<Map> map) : MapSurround(std::move(map)) {}

Legend::~Legend() = default;

void Legend::updateFromMap()
{
    if (const auto shown = map())
        m_items = shown->visibleLayers();
    else
        m_items.clear();
    if (isFitted())
        m_layout = layoutFor(fittedBounds().size(), QFont());
}

void Legend::fitToBounds(std::shared_ptr<IDisplay> display, std::shared_ptr<IEnvelope> bounds, bool &changed)
{
    MapSurround::fitToBounds(std::move(display), std::move(bounds), changed);
    m_layout = layoutFor(fittedBounds().size(), QFont());
}

LegendLayout Legend::layoutFor(const QSizeF &frameMm, const QFont &font) const
{
    QStringList names;
    for (const std::shared_ptr<Layer> &layer : m_items)
        names << layer->name();
    return LegendLayout::fit(names, frameMm, font);
}

} // namespace mapdesk
