#include "FeatureData.h"

#include "Layer.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace mapdesk {

namespace {

/// Position of cell (x, y) of a 65536 x 65536 grid along a Hilbert curve
/// through it: cells near on the curve are near on the grid.
std::uint32_t hilbert(std::uint32_t x, std::uint32_t y)
{
    constexpr std::uint32_t side = 1u << 16;
    std::uint32_t d = 0;
    for (std::uint32_t s = side / 2; s > 0; s /= 2) {
        const std::uint32_t rx = (x & s) ? 1 : 0;
        const std::uint32_t ry = (y & s) ? 1 : 0;
        d += s * s * ((3 * rx) ^ ry);
        if (ry == 0) {
            if (rx == 1) {
                x = side - 1 - x;
                y = side - 1 - y;
            }
            std::swap(x, y);
        }
    }
    return d;
}

/// `value` from [low, low + size] as a cell of 0..65535; anything outside,
/// or not a number, at the nearer end.
std::uint32_t cell(double value, double low, double size)
{
    const double t = size > 0 ? (value - low) / size : 0.0;
    if (!(t > 0))
        return 0;
    if (t >= 1)
        return 65535;
    return static_cast<std::uint32_t>(t * 65535);
}

/// Whether closed rectangles `a` and `b` share a point.
bool meets(const QRectF &a, const QRectF &b)
{
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() && b.top() <= a.bottom();
}

bool covers(const QRectF &outer, const QRectF &inner)
{
    return outer.left() <= inner.left() && inner.right() <= outer.right() && outer.top() <= inner.top()
           && inner.bottom() <= outer.bottom();
}

bool finite(const QRectF &box)
{
    return std::isfinite(box.left()) && std::isfinite(box.top()) && std::isfinite(box.right())
           && std::isfinite(box.bottom());
}

QRectF unitedBox(const QRectF &a, const QRectF &b)
{
    return QRectF(QPointF(std::min(a.left(), b.left()), std::min(a.top(), b.top())),
                  QPointF(std::max(a.right(), b.right()), std::max(a.bottom(), b.bottom())));
}

} // namespace

FeatureData::FeatureData(std::vector<Feature> features) : m_features(std::move(features))
{
    m_extents.reserve(m_features.size());
    m_order.reserve(m_features.size());
    for (const Feature &feature : m_features) {
        // A path fills its caches of bounds on first use, even through const
        // calls; filled here, before threads share the data, they are only
        // read afterwards.
        for (const QPainterPath *path : {&feature.areas, &feature.lines}) {
            path->controlPointRect();
            path->boundingRect();
        }
        const bool geometry = !feature.areas.isEmpty() || !feature.lines.isEmpty() || !feature.points.isEmpty();
        m_extents.push_back(geometry ? feature.extent() : QRectF());
        if (geometry) {
            m_extent = Layer::united(m_extent, m_extents.back());
            if (finite(m_extents.back()))
                m_order.push_back(static_cast<std::uint32_t>(m_extents.size() - 1));
        }
    }
    buildIndex();
}

void FeatureData::buildIndex()
{
    if (m_order.empty())
        return;
    const QRectF all =
        std::accumulate(m_order.begin(), m_order.end(), m_extents[m_order.front()],
                        [this](const QRectF &box, std::uint32_t i) { return unitedBox(box, m_extents[i]); });
    // Leaves along the Hilbert curve: each one's curve position in the high
    // half of a key, its place in features() in the low half, keys sorted.
    {
        std::vector<std::uint64_t> keys;
        keys.reserve(m_order.size());
        for (const std::uint32_t i : m_order) {
            const QPointF centre = m_extents[i].center();
            const std::uint64_t position =
                hilbert(cell(centre.x(), all.left(), all.width()), cell(centre.y(), all.top(), all.height()));
            keys.push_back(position << 32 | i);
        }
        std::sort(keys.begin(), keys.end());
        for (std::size_t k = 0; k < keys.size(); ++k)
            m_order[k] = static_cast<std::uint32_t>(keys[k]);
    }
    m_order.shrink_to_fit();

    // Level 0 boxes the leaves in runs of kFanout, each level above boxes
    // the one below, up to a single root.
    std::size_t below = m_order.size();
    std::size_t belowStart = 0;
    bool leaves = true;
    do {
        const std::size_t start = m_nodes.size();
        m_levelStarts.push_back(start);
        for (std::size_t first = 0; first < below; first += kFanout) {
            const std::size_t last = std::min(below, first + kFanout);
            QRectF box = leaves ? m_extents[m_order[first]] : m_nodes[belowStart + first];
            for (std::size_t k = first + 1; k < last; ++k)
                box = unitedBox(box, leaves ? m_extents[m_order[k]] : m_nodes[belowStart + k]);
            m_nodes.push_back(box);
        }
        below = m_nodes.size() - start;
        belowStart = start;
        leaves = false;
    } while (below > 1);
    m_levelStarts.push_back(m_nodes.size());
    m_nodes.shrink_to_fit();
}

void FeatureData::appendAllUnder(std::size_t level, std::size_t node, std::vector<std::size_t> &found) const
{
    std::size_t span = kFanout;
    for (std::size_t k = 0; k < level; ++k)
        span *= kFanout;
    const std::size_t first = node * span;
    const std::size_t last = std::min(m_order.size(), first + span);
    for (std::size_t k = first; k < last; ++k)
        found.push_back(m_order[k]);
}

std::vector<std::size_t> FeatureData::featuresMeeting(const QRectF &area) const
{
    std::vector<std::size_t> found;
    if (m_order.empty() || !(area.width() >= 0) || !(area.height() >= 0) || std::isnan(area.left())
        || std::isnan(area.top()))
        return found;

    const std::size_t top = m_levelStarts.size() - 2;
    std::vector<std::pair<std::size_t, std::size_t>> pending{{top, 0}};
    while (!pending.empty()) {
        const auto [level, node] = pending.back();
        pending.pop_back();
        const QRectF &box = m_nodes[m_levelStarts[level] + node];
        if (!meets(box, area))
            continue;
        if (covers(area, box)) {
            appendAllUnder(level, node, found);
            continue;
        }
        const std::size_t first = node * kFanout;
        if (level == 0) {
            const std::size_t last = std::min(m_order.size(), first + kFanout);
            for (std::size_t k = first; k < last; ++k) {
                if (meets(m_extents[m_order[k]], area))
                    found.push_back(m_order[k]);
            }
        } else {
            const std::size_t count = m_levelStarts[level] - m_levelStarts[level - 1];
            const std::size_t last = std::min(count, first + kFanout);
            for (std::size_t k = last; k-- > first;)
                pending.emplace_back(level - 1, k);
        }
    }

    // Back into the features' order: by a mark per feature when many were
    // found, else by sorting the few.
    if (found.size() > m_features.size() / 32) {
        std::vector<bool> marked(m_features.size());
        for (const std::size_t i : found)
            marked[i] = true;
        found.clear();
        for (std::size_t i = 0; i < marked.size(); ++i) {
            if (marked[i])
                found.push_back(i);
        }
    } else {
        std::sort(found.begin(), found.end());
    }
    return found;
}

} // namespace mapdesk
