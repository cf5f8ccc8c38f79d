#include "LayerTree.h"
#include "FeatureLayer.h"
#include "GroupLayer.h"
#include "Map.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace mapdesk;

/// The tree as text: "A B G(C D) E", groups with their members in brackets.
QString shape(const std::vector<std::shared_ptr<Layer>> &layers)
{
    QStringList parts;
    for (const auto &layer : layers) {
        if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer))
            parts << layer->name() + QLatin1Char('(') + shape(group->members()) + QLatin1Char(')');
        else
            parts << layer->name();
    }
    return parts.join(QLatin1Char(' '));
}

// Map: A B G(C H(D)) E; each case moves one layer to (group, index).
TEST(LayerTree, MovesLayersWithinAndAcrossGroupsAndRefusesCycles)
{
    const struct
    {
        const char *layer;
        const char *group; // nullptr: the map's top level
        int index;
        bool moved;
        const char *after;
    } cases[] = {
        {"A", nullptr, 3, true, "B G(C H(D)) A E"},  {"E", nullptr, 0, true, "E A B G(C H(D))"},
        {"A", "G", 0, true, "B G(A C H(D)) E"},      {"D", nullptr, 1, true, "A D B G(C H()) E"},
        {"C", "H", 1, true, "A B G(H(D C)) E"},      {"A", nullptr, 1, true, "A B G(C H(D)) E"},
        {"G", "H", 0, false, "A B G(C H(D)) E"},     {"G", "G", 0, false, "A B G(C H(D)) E"},
        {"B", nullptr, 99, true, "A G(C H(D)) E B"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.after);
        Map map;
        std::map<QString, std::shared_ptr<Layer>> named;
        for (const char *name : {"A", "B", "C", "D", "E"})
            named[QString::fromLatin1(name)] = std::make_shared<FeatureLayer>(QString::fromLatin1(name));
        auto g = std::make_shared<GroupLayer>(QStringLiteral("G"));
        auto h = std::make_shared<GroupLayer>(QStringLiteral("H"));
        named[QStringLiteral("G")] = g;
        named[QStringLiteral("H")] = h;
        h->addLayer(named[QStringLiteral("D")]);
        g->addLayer(named[QStringLiteral("C")]);
        g->addLayer(h);
        for (const char *name : {"A", "B", "G", "E"})
            map.addLayer(named[QString::fromLatin1(name)]);

        const auto group =
            c.group ? std::static_pointer_cast<GroupLayer>(named[QString::fromLatin1(c.group)]) : nullptr;
        EXPECT_EQ(LayerTree::move(map, named[QString::fromLatin1(c.layer)], map, group, c.index), c.moved);
        EXPECT_EQ(shape(map.layers()), QString::fromLatin1(c.after));
    }
}

// Across maps, and what is not in the map is found nowhere and not moved.
TEST(LayerTree, LocatesAndMovesBetweenMaps)
{
    Map from;
    Map to;
    auto group = std::make_shared<GroupLayer>(QStringLiteral("G"));
    auto a = std::make_shared<FeatureLayer>(QStringLiteral("A"));
    auto b = std::make_shared<FeatureLayer>(QStringLiteral("B"));
    group->addLayer(a);
    from.addLayer(group);
    to.addLayer(b);
    const auto place = LayerTree::locate(from, a.get());
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(place->group, group);
    EXPECT_EQ(place->index, 0);
    EXPECT_FALSE(LayerTree::locate(from, b.get()).has_value());
    EXPECT_FALSE(LayerTree::move(from, b, to, nullptr, 0)) << "b is not in the first map";
    EXPECT_FALSE(LayerTree::move(from, a, to, group, 0)) << "the group is not in the second map";
    EXPECT_TRUE(LayerTree::move(from, a, to, nullptr, 1));
    EXPECT_EQ(shape(from.layers()), QStringLiteral("G()"));
    EXPECT_EQ(shape(to.layers()), QStringLiteral("B A"));
    EXPECT_TRUE(LayerTree::remove(to, a));
    EXPECT_FALSE(LayerTree::remove(to, a));
}

} // namespace
