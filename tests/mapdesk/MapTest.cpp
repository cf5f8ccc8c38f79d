#include "ModelTestSupport.h"

#include "HostError.h"
#include "ICompositeLayer.h"
#include "IFeatureLayer.h"
#include "IGroupLayer.h"
#include "MapCollection.h"

#include <gtest/gtest.h>

using namespace mapdesk;
using modeltest::names;
using modeltest::SmallMap;

namespace {

void expectHostFailure(const std::function<void()> &operation)
{
    try {
        operation();
        ADD_FAILURE() << "no HostError thrown";
    } catch (const HostError &error) {
        EXPECT_EQ(error.number(), HostError::E_FAIL_NUMBER);
        EXPECT_FALSE(error.description().isEmpty());
    }
}

} // namespace

TEST(MapTest, LayersAndMembersComeBackInOrderAsTheSameObjects)
{
    SmallMap s;
    IMap &map = *s.map;
    ASSERT_EQ(map.layerCount(), 3);
    EXPECT_EQ(map.layer(0), std::static_pointer_cast<ILayer>(s.roads));
    EXPECT_EQ(map.layer(1), std::static_pointer_cast<ILayer>(s.transport));
    EXPECT_EQ(map.layer(2), std::static_pointer_cast<ILayer>(s.parks));
    EXPECT_EQ(map.layer(1).get(), map.layer(1).get());

    // The group seen through its composite face, as the add-in walks it.
    const auto composite = std::dynamic_pointer_cast<ICompositeLayer>(map.layer(1));
    ASSERT_TRUE(composite);
    ASSERT_EQ(composite->count(), 3);
    EXPECT_EQ(composite->layer(0), std::static_pointer_cast<ILayer>(s.rail));
    EXPECT_EQ(composite->layer(2), std::static_pointer_cast<ILayer>(s.photo));

    // A nested group is a member like any other and has its own members.
    const auto nested = std::dynamic_pointer_cast<ICompositeLayer>(composite->layer(1));
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->count(), 2);
    EXPECT_EQ(nested->layer(1), std::static_pointer_cast<ILayer>(s.cycle));
}

TEST(MapTest, TypeTestsTellGroupsFeatureAndRasterLayersApart)
{
    SmallMap s;
    const auto group = s.map->layer(1);
    EXPECT_TRUE(std::dynamic_pointer_cast<IGroupLayer>(group));
    EXPECT_FALSE(std::dynamic_pointer_cast<IFeatureLayer>(group));

    const auto feature = s.map->layer(0);
    EXPECT_TRUE(std::dynamic_pointer_cast<IFeatureLayer>(feature));
    EXPECT_FALSE(std::dynamic_pointer_cast<IGroupLayer>(feature));
    EXPECT_FALSE(std::dynamic_pointer_cast<ICompositeLayer>(feature));

    const auto raster = std::dynamic_pointer_cast<ICompositeLayer>(group)->layer(2);
    EXPECT_FALSE(std::dynamic_pointer_cast<IFeatureLayer>(raster));
    EXPECT_FALSE(std::dynamic_pointer_cast<IGroupLayer>(raster));
}

TEST(MapTest, IndexesOutsideTheRangeFailWithEFail)
{
    SmallMap s;
    expectHostFailure([&] { s.map->layer(-1); });
    expectHostFailure([&] { s.map->layer(3); });
    expectHostFailure([&] { s.transport->layer(3); });
    expectHostFailure([&] { s.paths->layer(-1); });
    expectHostFailure([&] { s.map->insertLayer(4, s.roads); });
    expectHostFailure([&] { s.transport->insertLayer(-1, s.roads); });

    MapCollection maps;
    maps.add(s.map);
    EXPECT_EQ(maps.item(0), std::static_pointer_cast<IMap>(s.map));
    expectHostFailure([&] { maps.item(1); });
    expectHostFailure([&] { maps.item(-1); });

    GroupLayer empty(QStringLiteral("Empty"));
    EXPECT_EQ(empty.count(), 0);
    expectHostFailure([&] { empty.layer(0); });
}

TEST(MapTest, SettingVisibilityChangesOnlyTheLayersOwnFlag)
{
    SmallMap s;
    s.transport->setVisible(false);
    EXPECT_FALSE(s.transport->visible());
    EXPECT_TRUE(s.rail->visible());
    EXPECT_TRUE(s.paths->visible());
    EXPECT_TRUE(s.foot->visible());

    s.transport->setVisible(true);
    s.foot->setVisible(false);
    EXPECT_TRUE(s.paths->visible());
    EXPECT_TRUE(s.transport->visible());
    EXPECT_FALSE(s.foot->visible());
    EXPECT_TRUE(s.cycle->visible());
}

TEST(MapTest, VisibleLayersFollowTheGroupsAboveThemAtAnyDepth)
{
    SmallMap s;
    EXPECT_EQ(names(s.map->visibleLayers()), QStringList({"Roads", "Rail", "Foot", "Cycle", "Photo", "Parks"}));

    s.paths->setVisible(false);
    EXPECT_EQ(names(s.map->visibleLayers()), QStringList({"Roads", "Rail", "Photo", "Parks"}));

    // A visible nested group inside a hidden group shows nothing.
    s.paths->setVisible(true);
    s.transport->setVisible(false);
    EXPECT_EQ(names(s.map->visibleLayers()), QStringList({"Roads", "Parks"}));

    s.transport->setVisible(true);
    s.cycle->setVisible(false);
    s.roads->setVisible(false);
    EXPECT_EQ(names(s.map->visibleLayers()), QStringList({"Rail", "Foot", "Photo", "Parks"}));
}

TEST(MapTest, DrawnLayersChangeOnlyWithARefreshOfTheGeography)
{
    SmallMap s;
    s.map->updateDrawnLayers();
    s.parks->setVisible(false);
    EXPECT_EQ(names(s.map->drawnLayers()).last(), QStringLiteral("Parks"));

    s.map->partialRefresh(IView::Graphics, nullptr, nullptr);
    EXPECT_EQ(names(s.map->drawnLayers()).last(), QStringLiteral("Parks"));

    s.map->partialRefresh(IView::Geography, nullptr, nullptr);
    EXPECT_EQ(names(s.map->drawnLayers()).last(), QStringLiteral("Photo"));

    s.parks->setVisible(true);
    s.map->refresh();
    EXPECT_EQ(names(s.map->drawnLayers()).last(), QStringLiteral("Parks"));
}

TEST(MapTest, AMapAsAViewIsItsOwnFocusMapWithOneDisplay)
{
    SmallMap s;
    const std::shared_ptr<IView> view = s.map;
    EXPECT_EQ(view->focusMap(), std::static_pointer_cast<IMap>(s.map));
    EXPECT_EQ(view->screenDisplay(), view->screenDisplay());
    EXPECT_TRUE(view->screenDisplay());
}

TEST(MapTest, LayersCanBeInsertedAndRemovedKeepingTheOrder)
{
    SmallMap s;
    auto extra = std::make_shared<FeatureLayer>(QStringLiteral("Extra"));
    s.map->insertLayer(1, extra);
    EXPECT_EQ(names(s.map->layers()), QStringList({"Roads", "Extra", "Transport", "Parks"}));
    EXPECT_TRUE(s.map->removeLayer(s.roads));
    EXPECT_FALSE(s.map->removeLayer(s.roads));
    EXPECT_EQ(names(s.map->layers()), QStringList({"Extra", "Transport", "Parks"}));

    s.transport->insertLayer(3, extra);
    EXPECT_TRUE(s.transport->removeLayer(s.rail));
    EXPECT_EQ(names(s.transport->members()), QStringList({"Paths", "Photo", "Extra"}));
}

// A single point is an extent of no size, which counts like any other.
TEST(MapTest, FullExtentCountsLayersOfASinglePoint)
{
    const auto pointLayer = [](const QString &name, const QList<QPointF> &points) {
        auto layer = std::make_shared<FeatureLayer>(name);
        Feature feature;
        feature.points = points;
        layer->setFeatures({feature});
        return layer;
    };
    const struct
    {
        const char *what;
        QList<QList<QPointF>> layers;
        std::optional<QRectF> extent;
    } rows[] = {
        {"no layer", {}, std::nullopt},
        {"one point", {{QPointF(1000, 2000)}}, QRectF(1000, 2000, 0, 0)},
        {"the point at the origin", {{QPointF(0, 0)}}, QRectF(0, 0, 0, 0)},
        {"two layers of a point", {{QPointF(1, 2)}, {QPointF(5, 10)}}, QRectF(1, 2, 4, 8)},
        {"a point beside a line", {{QPointF(-3, 4)}, {QPointF(0, 0), QPointF(10, 0)}}, QRectF(-3, 0, 13, 4)},
    };
    for (const auto &row : rows) {
        Map map;
        auto group = std::make_shared<GroupLayer>(QStringLiteral("Group"));
        map.addLayer(group);
        for (const QList<QPointF> &points : row.layers)
            group->addLayer(pointLayer(QStringLiteral("P"), points));
        EXPECT_EQ(map.fullExtent(), row.extent) << row.what;
    }
}
