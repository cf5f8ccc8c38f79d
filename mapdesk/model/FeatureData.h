#pragma once

#include "Feature.h"

#include <QRectF>

#include <optional>
#include <vector>

namespace mapdesk {

/// A feature layer's features as drawn, in its map's coordinate system, with
/// their extents. Never changed once made: a layer replaces its data whole
/// and hands it out shared, so that threads drawing it need no lock and
/// keep what they draw alive.
class FeatureData
{
public:
    FeatureData() = default;
    explicit FeatureData(std::vector<Feature> features);

    const std::vector<Feature> &features() const { return m_features; }
    /// Each feature's bounding box, in the order of features(); null for a
    /// feature without geometry.
    const std::vector<QRectF> &featureExtents() const { return m_extents; }
    /// Union of every feature's extent; empty when no feature has geometry.
    std::optional<QRectF> extent() const { return m_extent; }

private:
    std::vector<Feature> m_features;
    std::vector<QRectF> m_extents;
    std::optional<QRectF> m_extent;
};

} // namespace mapdesk
