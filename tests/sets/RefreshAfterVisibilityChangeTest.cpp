// The redraw after layers were switched on: the table of contents, the views,
// and in the page layout the focus map's legend.

#include "RefreshAfterVisibilityChange.h"
#include "SetsWorld.h"

#include "HostClassIds.h"
#include "HostError.h"
#include "IView.h"

#include <gtest/gtest.h>

namespace {

class Redraw : public ::testing::Test
{
protected:
    void SetUp() override { world.document->layoutActive = true; }
    fake::Legend &legend(std::size_t n) { return *world.document->layout->legend(n); }
    /// The last top-level legend of the focus map, the one a redraw refreshes.
    std::shared_ptr<fake::SurroundFrame> lastLegendOfFocus()
    {
        return std::dynamic_pointer_cast<fake::SurroundFrame>(world.document->layout->elements.at(4));
    }
    void expectNoLegendRefreshed()
    {
        for (std::size_t n : {0u, 1u, 2u, 3u})
            EXPECT_EQ(legend(n).calls.count("refresh"), 0) << n;
        EXPECT_EQ(world.partialRefreshes(), 0);
    }
    SetsWorld world;
};

TEST_F(Redraw, InTheDataViewUpdatesTheContentsAndRedrawsTheFocusMapTwice)
{
    world.document->layoutActive = false;
    RefreshAfterVisibilityChange(world.state());
    EXPECT_EQ(world.contentsUpdates(), 1);
    EXPECT_EQ(world.document->map(QStringLiteral("Layers"))->calls.count("refresh"), 2);
    EXPECT_EQ(world.viewRefreshes(), 2);
    expectNoLegendRefreshed();
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(Redraw, InTheLayoutOnlyTheLastLegendOfTheFocusMapIsRefreshedFittedAndRedrawn)
{
    RefreshAfterVisibilityChange(world.state());
    const auto element = lastLegendOfFocus();
    ASSERT_EQ(element->surround, world.document->layout->legend(2));
    for (std::size_t n : {0u, 1u, 3u})
        EXPECT_EQ(legend(n).calls.count("refresh"), 0) << n;
    EXPECT_EQ(legend(2).calls.count("refresh"), 1);
    ASSERT_EQ(legend(2).fits.size(), 1u);
    EXPECT_EQ(legend(2).fits[0].display, world.document->layout->display);
    EXPECT_EQ(legend(2).fits[0].bounds, element->shape->bounds);
    const auto &partial = world.document->layout->partialRefreshes;
    ASSERT_EQ(partial.size(), 1u);
    EXPECT_EQ(partial[0].phase, IView::Graphics);
    EXPECT_EQ(partial[0].data, element);
    EXPECT_EQ(partial[0].area, nullptr);
    // The focus map, then the page layout.
    EXPECT_EQ(world.document->map(QStringLiteral("Layers"))->calls.count("refresh"), 1);
    EXPECT_EQ(world.document->layout->calls.count("refresh"), 1);
    EXPECT_EQ(world.contentsUpdates(), 1);
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(Redraw, DocumentSwitchedSinceTheLastClickMatchesNoLegend)
{
    world.application->current = fake::standardDocument();
    RefreshAfterVisibilityChange(world.state());
    expectNoLegendRefreshed();
    EXPECT_EQ(world.viewRefreshes(), 2);
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(Redraw, LegendSearchFailuresAreReportedAndTheViewsAreStillRefreshed)
{
    // No application reference: nothing is found.
    world.host.objects->failFor << HostClassIds::ApplicationReference;
    RefreshAfterVisibilityChange(world.state());
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: GetLegendElement frmMain Line : 10")});
    expectNoLegendRefreshed();
    EXPECT_EQ(world.viewRefreshes(), 2);

    // A surround frame whose map frame cannot be reached, after the legends:
    // the legend found before it is refreshed.
    world.host.objects->failFor.clear();
    world.host.boxes->boxes.clear();
    auto broken = std::make_shared<fake::SurroundFrame>(lastLegendOfFocus()->frame, std::make_shared<fake::Legend>());
    broken->calls.fail("mapFrame");
    world.document->layout->elements.push_back(broken);
    RefreshAfterVisibilityChange(world.state());
    EXPECT_EQ(world.reportedModules(), QStringList{QStringLiteral("MODULE: GetLegendElement frmMain Line : 60")});
    EXPECT_TRUE(
        world.host.boxes->boxes[0].text.contains(QStringLiteral("ERROR NUMBER: %1\r\n").arg(HostError::E_FAIL_NUMBER)));
    EXPECT_EQ(legend(2).calls.count("refresh"), 1);
    EXPECT_EQ(legend(2).fits.size(), 1u);
    EXPECT_EQ(world.partialRefreshes(), 1);
    EXPECT_EQ(world.viewRefreshes(), 4);
}

TEST_F(Redraw, InTheLayoutAFocusMapWithoutLayersOrLegendIsStillRedrawn)
{
    world.useDocument(fake::DocumentBuilder()
                          .map(QStringLiteral("Empty"))
                          .map(QStringLiteral("Second"))
                          .layer(fake::hidden("a"))
                          .build());
    world.document->layoutActive = true;
    RefreshAfterVisibilityChange(world.state());
    EXPECT_EQ(world.document->map(QStringLiteral("Empty"))->calls.count("refresh"), 1);
    EXPECT_EQ(world.document->layout->calls.count("refresh"), 1);
    EXPECT_EQ(world.viewRefreshes(), 2);
    EXPECT_TRUE(world.host.boxes->boxes.empty());
}

TEST_F(Redraw, DataViewWithoutAFocusMapFailsAfterUpdatingTheContents)
{
    world.useDocument(fake::Document::create());
    try {
        RefreshAfterVisibilityChange(world.state());
        ADD_FAILURE() << "no failure";
    } catch (const HostError &error) {
        EXPECT_EQ(error.number(), 91);
    }
    EXPECT_EQ(world.contentsUpdates(), 1);
}

} // namespace
