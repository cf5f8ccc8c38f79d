#include "FeatureData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace mapdesk;

namespace {

/// Features of every kind scattered over [0, 1000]^2, some in one dense
/// corner, with points that share coordinates and features without geometry.
std::vector<Feature> randomFeatures(unsigned seed, int count)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> coordinate(0, 1000);
    std::uniform_real_distribution<double> size(0, 30);
    std::vector<Feature> features(static_cast<std::size_t>(count));
    for (Feature &feature : features) {
        QPointF at(coordinate(random), coordinate(random));
        if (random() % 4 == 0)
            at = at / 100; // crowded near the origin
        switch (random() % 6) {
        case 0:
            feature.points.append(QPointF(std::round(at.x() / 50) * 50, std::round(at.y() / 50) * 50));
            break;
        case 1:
            feature.points.append(at);
            feature.points.append(at + QPointF(size(random), -size(random)));
            break;
        case 2:
            feature.lines.moveTo(at);
            feature.lines.lineTo(at + QPointF(size(random), 0)); // no height
            break;
        case 3:
            feature.areas.addRect(QRectF(at, QSizeF(size(random), size(random))));
            feature.areas.addRect(QRectF(at + QPointF(200, 200), QSizeF(1, 1)));
            break;
        case 4:
            feature.lines.moveTo(at);
            feature.lines.lineTo(at + QPointF(size(random) * 10, size(random) * 10));
            break;
        default:
            break; // no geometry
        }
    }
    return features;
}

bool meets(const QRectF &a, const QRectF &b)
{
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() && b.top() <= a.bottom();
}

std::vector<std::size_t> bruteForce(const std::vector<Feature> &features, const std::vector<QRectF> &extents,
                                    const QRectF &area)
{
    std::vector<std::size_t> found;
    if (!(area.width() >= 0) || !(area.height() >= 0))
        return found;
    for (std::size_t i = 0; i < features.size(); ++i) {
        const Feature &f = features[i];
        if ((!f.areas.isEmpty() || !f.lines.isEmpty() || !f.points.isEmpty()) && meets(extents[i], area))
            found.push_back(i);
    }
    return found;
}

} // namespace

TEST(FeatureDataTest, FeaturesMeetingARectangleAreThoseABruteForceFilterFinds)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<QRectF> fixed = {
        QRectF(0, 0, 1000, 1000),     // everything
        QRectF(-1e9, -1e9, 2e9, 2e9), // more than everything
        QRectF(2000, 2000, 10, 10),   // beyond every feature
        QRectF(0, 0, 10, 10),         // the crowded corner
        QRectF(500, 500, 0, 0),       // a point, where snapped points lie
        QRectF(250, 0, 0, 1000),      // a vertical line
        QRectF(0, 300, 1000, 0),      // a horizontal line
        QRectF(),                     // null: a point at the origin
        QRectF(100, 100, -5, 10),     // negative width
        QRectF(100, 100, 5, -10),     // negative height
        QRectF(nan, 0, 10, 10),
    };
    // Counts around the tree's runs of 16 and 256.
    for (const auto &[seed, count] : std::vector<std::pair<unsigned, int>>{
             {1, 0}, {2, 1}, {3, 15}, {4, 16}, {5, 17}, {6, 255}, {7, 257}, {8, 4097}, {9, 20000}}) {
        const std::vector<Feature> features = randomFeatures(seed, count);
        const FeatureData data(features);
        std::vector<QRectF> extents;
        for (const Feature &feature : features)
            extents.push_back(feature.extent());
        std::vector<QRectF> areas = fixed;
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> coordinate(-100, 1100);
        std::exponential_distribution<double> size(0.01);
        for (int i = 0; i < 200; ++i)
            areas.emplace_back(coordinate(random), coordinate(random), size(random), size(random));
        // The exact extents of some features: touching edges count.
        for (std::size_t i = 0; i < features.size(); i += std::max<std::size_t>(1, features.size() / 20))
            areas.push_back(features[i].extent());
        for (const QRectF &area : areas)
            ASSERT_EQ(data.featuresMeeting(area), bruteForce(features, extents, area))
                << "seed " << seed << " area " << area.x() << "," << area.y() << " " << area.width() << "x"
                << area.height();
    }
}

TEST(FeatureDataTest, DataWithoutGeometryMeetsNothing)
{
    std::vector<Feature> features(3);
    features[1].points.append(QPointF(std::numeric_limits<double>::infinity(), 0));
    for (const FeatureData &data : {FeatureData(), FeatureData(features)})
        EXPECT_TRUE(data.featuresMeeting(QRectF(-1e300, -1e300, 2e300, 2e300)).empty());
}
