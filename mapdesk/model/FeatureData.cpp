#include "FeatureData.h"

#include "Layer.h"

namespace mapdesk {

FeatureData::FeatureData(std::vector<Feature> features) : m_features(std::move(features))
{
    m_extents.reserve(m_features.size());
    for (const Feature &feature : m_features) {
        const bool geometry = !feature.areas.isEmpty() || !feature.lines.isEmpty() || !feature.points.isEmpty();
        m_extents.push_back(geometry ? feature.extent() : QRectF());
        if (geometry)
            m_extent = Layer::united(m_extent, m_extents.back());
    }
}

} // namespace mapdesk
