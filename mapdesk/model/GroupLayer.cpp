#include "GroupLayer.h"

#include "IndexCheck.h"
#include "LayersStamp.h"

#include <algorithm>

namespace mapdesk {

GroupLayer::GroupLayer(QString name, bool visible) : Layer(std::move(name), visible) {}

GroupLayer::~GroupLayer() = default;

std::int32_t GroupLayer::count()
{
    return hostCount(m_members.size());
}

std::shared_ptr<ILayer> GroupLayer::layer(std::int32_t index)
{
    checkIndex(index, m_members.size(), "member layer");
    return m_members[static_cast<std::size_t>(index)];
}

void GroupLayer::addLayer(std::shared_ptr<Layer> layer)
{
    insertLayer(count(), std::move(layer));
}

void GroupLayer::insertLayer(std::int32_t index, std::shared_ptr<Layer> layer)
{
    checkInsertIndex(index, m_members.size(), "member layer");
    if (layer)
        layer->joinStamp(stamp());
    m_members.insert(m_members.begin() + index, std::move(layer));
    LayersStamp::letGo(stamp());
}

bool GroupLayer::removeLayer(const std::shared_ptr<Layer> &layer)
{
    const auto found = std::find(m_members.begin(), m_members.end(), layer);
    if (found == m_members.end())
        return false;
    m_members.erase(found);
    LayersStamp::letGo(stamp());
    return true;
}

void GroupLayer::joinStamp(const std::shared_ptr<LayersStamp> &stamp)
{
    Layer::joinStamp(stamp);
    for (const auto &member : m_members)
        if (member)
            member->joinStamp(stamp);
}

std::optional<QRectF> GroupLayer::extent() const
{
    std::optional<QRectF> all;
    for (const auto &member : m_members)
        all = united(all, member->extent());
    return all;
}

} // namespace mapdesk
