#include "ModelTestSupport.h"

#include "Envelope.h"
#include "GroupElement.h"
#include "HostError.h"
#include "IElement.h"
#include "IGeometry.h"
#include "ILegend.h"
#include "IMapFrame.h"
#include "IMapSurroundFrame.h"
#include "Legend.h"
#include "MapFrameElement.h"
#include "MapSurroundFrameElement.h"
#include "NorthArrow.h"
#include "PageLayout.h"
#include "TextElement.h"

#include <gtest/gtest.h>

using namespace mapdesk;
using modeltest::names;
using modeltest::SmallMap;

namespace {

/// A page with a frame of the small map, its legend and north arrow, a
/// group holding a second legend, and a text.
struct Page
{
    std::shared_ptr<Document> document = Document::create();
    SmallMap s;
    std::shared_ptr<PageLayout> layout;
    std::shared_ptr<MapFrameElement> frame;
    std::shared_ptr<Legend> legend;
    std::shared_ptr<MapSurroundFrameElement> legendFrame;
    std::shared_ptr<MapSurroundFrameElement> arrowFrame;
    std::shared_ptr<GroupElement> group = std::make_shared<GroupElement>();
    std::shared_ptr<MapSurroundFrameElement> groupedLegend;
    std::shared_ptr<TextElement> title = std::make_shared<TextElement>(QStringLiteral("Title"), QRectF(0, 0, 50, 10));

    Page()
    {
        document->addMap(s.map);
        layout = document->pageLayoutModel();
        frame = std::make_shared<MapFrameElement>(QStringLiteral("main"), s.map, QRectF(10, 10, 100, 80));
        legend = std::make_shared<Legend>(s.map);
        legendFrame = std::make_shared<MapSurroundFrameElement>(frame, legend, QRectF(120, 10, 40, 60));
        arrowFrame = std::make_shared<MapSurroundFrameElement>(frame, std::make_shared<NorthArrow>(s.map),
                                                               QRectF(95, 12, 10, 15));
        groupedLegend =
            std::make_shared<MapSurroundFrameElement>(frame, std::make_shared<Legend>(s.map), QRectF(120, 80, 40, 20));
        group->addElement(std::make_shared<TextElement>(QStringLiteral("Key"), QRectF(120, 72, 40, 6)));
        group->addElement(groupedLegend);
        layout->addElement(title);
        layout->addElement(frame);
        layout->addElement(legendFrame);
        layout->addElement(group);
        layout->addElement(arrowFrame);
    }
};

std::vector<IElement *> walk(IGraphicsContainer &container)
{
    std::vector<IElement *> seen;
    container.reset();
    while (const auto element = container.next())
        seen.push_back(element.get());
    return seen;
}

} // namespace

TEST(PageLayoutTest, ContainerYieldsTopLevelElementsInOrderAndNotGroupMembers)
{
    Page p;
    const std::vector<IElement *> expected{p.title.get(), p.frame.get(), p.legendFrame.get(), p.group.get(),
                                           p.arrowFrame.get()};
    EXPECT_EQ(walk(*p.layout), expected);
    EXPECT_EQ(p.layout->next(), nullptr);
    EXPECT_EQ(p.layout->next(), nullptr);
    // A reset starts over; an interrupted walk does too.
    p.layout->reset();
    p.layout->next();
    EXPECT_EQ(walk(*p.layout), expected);
}

TEST(PageLayoutTest, RemovingAnElementDuringAWalkKeepsTheWalkOnTrack)
{
    Page p;
    p.layout->reset();
    p.layout->next();
    p.layout->next();
    ASSERT_TRUE(p.layout->removeElement(p.title));
    EXPECT_EQ(p.layout->next().get(), p.legendFrame.get());
    EXPECT_FALSE(p.layout->removeElement(p.groupedLegend));
}

TEST(PageLayoutTest, SurroundFramesLeadToTheVeryMapAndTheirSurround)
{
    Page p;
    const auto surroundFrame = std::dynamic_pointer_cast<IMapSurroundFrame>(std::shared_ptr<IElement>(p.legendFrame));
    ASSERT_TRUE(surroundFrame);
    EXPECT_EQ(surroundFrame->mapFrame()->map(), std::static_pointer_cast<IMap>(p.s.map));
    EXPECT_TRUE(std::dynamic_pointer_cast<ILegend>(surroundFrame->mapSurround()));
    EXPECT_EQ(surroundFrame->mapSurround(), surroundFrame->mapSurround());

    EXPECT_FALSE(std::dynamic_pointer_cast<ILegend>(p.arrowFrame->mapSurround()));
    EXPECT_FALSE(std::dynamic_pointer_cast<IMapSurroundFrame>(std::shared_ptr<IElement>(p.frame)));
    EXPECT_TRUE(std::dynamic_pointer_cast<IMapFrame>(std::shared_ptr<IElement>(p.frame)));
    EXPECT_FALSE(std::dynamic_pointer_cast<IMapSurroundFrame>(std::shared_ptr<IElement>(p.group)));
}

TEST(PageLayoutTest, LegendListsTheVisibleLayersAsOfItsLastRefresh)
{
    Page p;
    p.legend->refresh();
    EXPECT_EQ(names(p.legend->items()), QStringList({"Roads", "Rail", "Foot", "Cycle", "Photo", "Parks"}));
    EXPECT_EQ(p.legend->refreshCount(), 1);

    // Flags change; the legend does not until it is refreshed again.
    p.s.paths->setVisible(false);
    p.s.parks->setVisible(false);
    p.s.transport->setVisible(false);
    p.s.rail->setVisible(false);
    EXPECT_EQ(p.legend->items().size(), 6u);

    p.legend->refresh();
    EXPECT_EQ(names(p.legend->items()), QStringList({"Roads"}));

    // A member switched on inside a hidden group stays out of the legend.
    p.s.foot->setVisible(true);
    p.s.transport->setVisible(true);
    p.legend->refresh();
    EXPECT_EQ(names(p.legend->items()), QStringList({"Roads", "Photo"}));
    p.s.paths->setVisible(true);
    p.legend->refresh();
    EXPECT_EQ(names(p.legend->items()), QStringList({"Roads", "Foot", "Cycle", "Photo"}));
    EXPECT_EQ(p.legend->refreshCount(), 4);
}

TEST(PageLayoutTest, CapturingTheDrawnStateFillsLegendsWithoutCountingARefresh)
{
    Page p;
    p.s.roads->setVisible(false);
    p.document->captureDrawnState();
    const auto grouped = std::dynamic_pointer_cast<Legend>(p.groupedLegend->surroundModel());
    ASSERT_TRUE(grouped);
    EXPECT_EQ(names(grouped->items()).first(), QStringLiteral("Rail"));
    EXPECT_EQ(grouped->refreshCount(), 0);
    EXPECT_EQ(names(p.s.map->drawnLayers()).first(), QStringLiteral("Rail"));
}

TEST(PageLayoutTest, FittingToTheElementsEnvelopeRecordsTheFitAndSetsChanged)
{
    Page p;
    const auto bounds = p.legendFrame->geometry()->envelope();
    const auto display = p.layout->screenDisplay();
    bool changed = false;
    p.legend->fitToBounds(display, bounds, changed);
    EXPECT_TRUE(changed);
    EXPECT_TRUE(p.legend->isFitted());
    EXPECT_EQ(p.legend->fittedBounds(), QRectF(120, 10, 40, 60));
    EXPECT_EQ(p.legend->fittedDisplay(), display);

    bool untouched = false;
    EXPECT_THROW(p.legend->fitToBounds(display, nullptr, untouched), HostError);
    EXPECT_FALSE(untouched);
    EXPECT_EQ(p.legend->fitCount(), 1);
}

TEST(PageLayoutTest, GroupBoundsCoverTheirMembers)
{
    Page p;
    EXPECT_EQ(p.group->bounds(), QRectF(120, 72, 40, 28));
    const auto envelope = std::dynamic_pointer_cast<Envelope>(p.group->geometry()->envelope());
    ASSERT_TRUE(envelope);
    EXPECT_EQ(envelope->rect(), QRectF(120, 72, 40, 28));
    EXPECT_TRUE(GroupElement().bounds().isNull());
}

TEST(PageLayoutTest, LayoutRefreshRedrawsTheMapsOfItsFramesOnly)
{
    Page p;
    auto elsewhere = std::make_shared<Map>(QStringLiteral("Elsewhere"));
    auto lonely = std::make_shared<FeatureLayer>(QStringLiteral("Lonely"));
    elsewhere->addLayer(lonely);
    p.document->addMap(elsewhere);
    p.document->captureDrawnState();

    // A frame inside a group counts as on the page.
    auto inner = std::make_shared<GroupElement>();
    auto deepMap = std::make_shared<Map>(QStringLiteral("Deep"));
    deepMap->addLayer(std::make_shared<FeatureLayer>(QStringLiteral("DeepLayer")));
    p.document->addMap(deepMap);
    inner->addElement(std::make_shared<MapFrameElement>(QStringLiteral("deep"), deepMap));
    p.group->addElement(inner);

    p.s.roads->setVisible(false);
    lonely->setVisible(false);
    p.layout->partialRefresh(IView::Graphics, p.legendFrame, nullptr);
    EXPECT_EQ(names(p.s.map->drawnLayers()).first(), QStringLiteral("Roads"));

    p.layout->refresh();
    EXPECT_EQ(names(p.s.map->drawnLayers()).first(), QStringLiteral("Rail"));
    EXPECT_EQ(names(elsewhere->drawnLayers()), QStringList({"Lonely"}));
    EXPECT_EQ(names(deepMap->drawnLayers()), QStringList({"DeepLayer"}));
}
