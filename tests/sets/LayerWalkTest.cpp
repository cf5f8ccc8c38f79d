// Switching every layer and the save's capture: the walk over the recordable
// feature layers of every map.

#include "LayerWalk.h"
#include "VisibilityCapture.h"

#include "FakeDocument.h"
#include "HostError.h"

#include <gtest/gtest.h>

namespace {

using fake::hidden;

TEST(LayerWalk, SwitchingAllReachesTheDirectFeatureLayersOfEveryMapOnly)
{
    for (bool visible : {false, true}) {
        auto document = fake::standardDocument();
        LayerWalk::setAllVisible(*document, visible);
        for (const char *name : {"Streets", "Rails", "Rivers"})
            EXPECT_EQ(document->layer(QStringLiteral("Layers"), QLatin1String(name))->setVisibleCalls,
                      std::vector<bool>{visible})
                << name;
        EXPECT_EQ(document->layer(QStringLiteral("Overview"), QStringLiteral("Streets"))->setVisibleCalls,
                  std::vector<bool>{visible});
        // Nested groups, a group's own flag and other kinds of layer are passed over.
        for (const char *name : {"Deep", "Nested", "Transport", "Relief", "Hills"})
            EXPECT_TRUE(document->layer(QStringLiteral("Layers"), QLatin1String(name))->setVisibleCalls.empty())
                << name;
    }
}

TEST(LayerWalk, MapsWithoutLayersArePassedOver)
{
    auto document =
        fake::DocumentBuilder().map(QStringLiteral("Empty")).map(QStringLiteral("Second")).layer(hidden("a")).build();
    const auto a = document->layer(QStringLiteral("Second"), QStringLiteral("a"));
    LayerWalk::setAllVisible(*document, true);
    EXPECT_TRUE(a->on);
    LayerWalk::setAllVisible(*document, false);
    EXPECT_FALSE(a->on);
}

TEST(LayerWalk, FailingLayerStopsTheSwitching)
{
    for (bool visible : {true, false}) {
        auto document = fake::DocumentBuilder().map(QStringLiteral("M")).layer("a").layer("stuck").layer("c").build();
        document->layer(QStringLiteral("M"), QStringLiteral("stuck"))->calls.fail("setVisible");
        EXPECT_THROW(LayerWalk::setAllVisible(*document, visible), HostError);
        EXPECT_EQ(document->layer(QStringLiteral("M"), QStringLiteral("a"))->setVisibleCalls,
                  std::vector<bool>{visible});
        EXPECT_TRUE(
            document->layer(QStringLiteral("M"), QStringLiteral("c"))->setVisibleCalls.empty()); // never reached
    }
}

TEST(LayerWalk, CaptureWalksGroupsOneLevelDeepAndNeverUsesTheirOwnFlag)
{
    auto document =
        fake::DocumentBuilder()
            .map(QStringLiteral("M"))
            .layer(hidden(fake::group(QStringLiteral("G"), {"a", fake::raster(QStringLiteral("r")), hidden("b")})))
            .layer("top")
            .build();
    QStringList captured;
    captureVisibility(*document, [&](const QString &map, const QString &layer, bool visible) {
        captured << map + u'/' + layer + u'/' + (visible ? u'1' : u'0');
    });
    EXPECT_EQ(captured, (QStringList{QStringLiteral("M/a/1"), QStringLiteral("M/b/0"), QStringLiteral("M/top/1")}));
    const auto group = document->layer(QStringLiteral("M"), QStringLiteral("G"));
    EXPECT_EQ(group->calls.count("visible") + group->calls.count("setVisible"), 0);
}

} // namespace
