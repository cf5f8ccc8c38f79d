#pragma once

#include "Feature.h"

#include <QRectF>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace mapdesk {

/// A feature layer's features as drawn, in its map's coordinate system, with
/// their extents and an index of where they are. Never changed once made: a
/// layer replaces its data whole and hands it out shared, so that threads
/// drawing it need no lock and keep what they draw alive.
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

    /// Positions in features(), ascending, of the features whose extent
    /// meets `area`: shares at least a point with it, edges included. A
    /// rectangle of no width or height is a line or a point and meets what it
    /// touches; one of negative width or height, or at a place not a number,
    /// meets nothing; so does a feature without geometry or with coordinates
    /// not finite. Safe on any thread.
    std::vector<std::size_t> featuresMeeting(const QRectF &area) const;

private:
    void buildIndex();
    void appendAllUnder(std::size_t level, std::size_t node, std::vector<std::size_t> &found) const;

    std::vector<Feature> m_features;
    std::vector<QRectF> m_extents;
    std::optional<QRectF> m_extent;

    // A packed R-tree over the extents: the features with geometry sorted
    // along a Hilbert curve through their centres, so that neighbours in
    // m_order lie near one another; each node's box covers kFanout entries of
    // the level below (features for level 0), the last level is one root.
    static constexpr std::size_t kFanout = 16;
    std::vector<std::uint32_t> m_order;
    std::vector<QRectF> m_nodes;
    /// Where each level starts in m_nodes, leaves' parents first, and its end.
    std::vector<std::size_t> m_levelStarts;
};

} // namespace mapdesk
