#include "ModelTestSupport.h"

#include "Application.h"
#include "HostError.h"
#include "IEnvelope.h"
#include "IGeometry.h"
#include "IPageLayout.h"
#include "MapCollection.h"
#include "MapFrameElement.h"
#include "PageLayout.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace mapdesk;
using modeltest::EventLog;
using modeltest::SmallMap;

namespace {

struct TwoMaps
{
    std::shared_ptr<Document> document = Document::create();
    SmallMap first;
    std::shared_ptr<Map> second = std::make_shared<Map>(QStringLiteral("Overview"));

    TwoMaps()
    {
        document->addMap(first.map);
        document->addMap(second);
    }
};

} // namespace

TEST(DocumentTest, MapsComeBackInOrderFromOneCollection)
{
    TwoMaps t;
    const auto maps = t.document->maps();
    EXPECT_EQ(maps, t.document->maps());
    ASSERT_EQ(maps->count(), 2);
    EXPECT_EQ(maps->item(0), std::static_pointer_cast<IMap>(t.first.map));
    EXPECT_EQ(maps->item(1), std::static_pointer_cast<IMap>(t.second));
    EXPECT_EQ(t.document->focusMap(), std::static_pointer_cast<IMap>(t.first.map));
}

TEST(DocumentTest, ActiveViewIsTheFocusMapOrThePageLayout)
{
    TwoMaps t;
    EXPECT_EQ(t.document->activeView(), std::static_pointer_cast<IView>(t.first.map));
    EXPECT_FALSE(std::dynamic_pointer_cast<IPageLayout>(t.document->activeView()));

    t.document->setFocusMap(t.second);
    EXPECT_EQ(t.document->activeView(), std::static_pointer_cast<IView>(t.second));

    t.document->setActiveViewKind(Document::ViewKind::Layout);
    const auto view = t.document->activeView();
    EXPECT_TRUE(std::dynamic_pointer_cast<IPageLayout>(view));
    EXPECT_EQ(std::dynamic_pointer_cast<IPageLayout>(view), t.document->pageLayout());
    // The layout's focus map is the document's, the very object.
    EXPECT_EQ(view->focusMap(), std::static_pointer_cast<IMap>(t.second));
}

TEST(DocumentTest, FocusMapMustBeOneOfTheDocumentsMaps)
{
    TwoMaps t;
    EXPECT_THROW(t.document->setFocusMap(std::make_shared<Map>(QStringLiteral("Town"))), HostError);
    EXPECT_THROW(t.document->setFocusMap(nullptr), HostError);
    EXPECT_EQ(t.document->focusMapModel(), t.first.map);

    EXPECT_TRUE(t.document->removeMap(t.first.map));
    EXPECT_EQ(t.document->focusMapModel(), t.second);
    EXPECT_FALSE(t.document->removeMap(t.first.map));
}

TEST(DocumentTest, DocumentWithoutMapsFailsInsteadOfGivingNoView)
{
    const auto document = Document::create();
    EXPECT_THROW(document->focusMap(), HostError);
    EXPECT_THROW(document->activeView(), HostError);
    EXPECT_THROW(document->pageLayoutModel()->focusMap(), HostError);
    document->setActiveViewKind(Document::ViewKind::Layout);
    EXPECT_TRUE(document->activeView());

    const auto untitled = Document::createUntitled();
    ASSERT_EQ(untitled->maps()->count(), 1);
    EXPECT_EQ(untitled->focusMap()->name(), QStringLiteral("Layers"));
}

TEST(DocumentTest, VisibilityChangesAreSilentAndRedrawsAreAnnounced)
{
    TwoMaps t;
    EventLog log(t.document->events());
    // The add-in's listeners hear of every redraw that can show a change.
    int told = 0;
    std::shared_ptr<void> listening = t.document->subscribeVisibility([&told] { ++told; });
    t.first.transport->setVisible(false);
    t.first.roads->setVisible(false);
    EXPECT_TRUE(log.lines.isEmpty());
    EXPECT_EQ(told, 0);

    t.document->updateContents();
    EXPECT_EQ(log.lines, QStringList({"contents"}));

    t.first.map->refresh();
    t.document->pageLayoutModel()->refresh();
    EXPECT_EQ(log.lines, QStringList({"contents", "refresh", "refresh"}));
    ASSERT_EQ(log.views.size(), 2u);
    EXPECT_EQ(log.views[0], static_cast<IView *>(t.first.map.get()));
    EXPECT_EQ(log.views[1], static_cast<IView *>(t.document->pageLayoutModel().get()));
    EXPECT_EQ(told, 3);
    listening.reset();
    t.document->updateContents();
    EXPECT_EQ(told, 3) << "a dropped subscription hears nothing";
}

TEST(DocumentTest, PartialRefreshNamesItsViewPhaseObjectAndArea)
{
    TwoMaps t;
    EventLog log(t.document->events());
    const auto layout = t.document->pageLayoutModel();
    auto frame = std::make_shared<MapFrameElement>(QStringLiteral("f"), t.second, QRectF(1, 2, 3, 4));
    layout->addElement(frame);

    layout->partialRefresh(IView::Graphics, frame, frame->geometry()->envelope());
    EXPECT_EQ(log.lines, QStringList({"partial 8"}));
    EXPECT_EQ(log.views.back(), static_cast<IView *>(layout.get()));
    EXPECT_EQ(log.lastData, static_cast<HostObject *>(frame.get()));
    EXPECT_EQ(log.lastArea, QRectF(1, 2, 3, 4));

    t.second->partialRefresh(IView::Geography, nullptr, nullptr);
    EXPECT_EQ(log.lines.back(), QStringLiteral("partial 1"));
    EXPECT_EQ(log.lastData, nullptr);
    EXPECT_TRUE(log.lastArea.isNull());
}

TEST(DocumentTest, SwitchingFocusOrViewIsAnnouncedOncePerChange)
{
    TwoMaps t;
    EventLog log(t.document->events());
    t.document->setFocusMap(t.first.map);
    t.document->setActiveViewKind(Document::ViewKind::Data);
    EXPECT_TRUE(log.lines.isEmpty());

    t.document->setFocusMap(t.second);
    EXPECT_EQ(log.lines, QStringList({"focusMap", "activeView"}));
    t.document->setActiveViewKind(Document::ViewKind::Layout);
    t.document->setFocusMap(t.first.map);
    // In the layout the active view stays the page layout.
    EXPECT_EQ(log.lines, QStringList({"focusMap", "activeView", "activeView", "focusMap"}));
}

TEST(DocumentTest, ViewsOutlivingTheirDocumentStaySafe)
{
    std::shared_ptr<Map> map;
    std::shared_ptr<IView> layout;
    {
        TwoMaps t;
        map = t.second;
        layout = std::dynamic_pointer_cast<IView>(t.document->pageLayout());
    }
    map->refresh();
    EXPECT_THROW(layout->focusMap(), HostError);
    layout->refresh();
    EXPECT_EQ(map->events(), nullptr);
}

TEST(ApplicationTest, HoldsTheCurrentDocumentAndAnnouncesASwitch)
{
    Application application;
    ASSERT_TRUE(application.document());
    EXPECT_EQ(application.document(), std::static_pointer_cast<IDocument>(application.currentDocument()));
    QSignalSpy changed(&application, &Application::documentChanged);

    const auto first = application.currentDocument();
    application.setDocument(first);
    EXPECT_EQ(changed.count(), 0);

    const auto opened = Document::createUntitled();
    application.setDocument(opened);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(application.document(), std::static_pointer_cast<IDocument>(opened));

    application.setDocument(nullptr);
    EXPECT_EQ(changed.count(), 2);
    ASSERT_TRUE(application.currentDocument());
    EXPECT_NE(application.currentDocument(), opened);
}

TEST(DocumentTest, WhatIsKeptForTheLayersGoesAtEveryChangeOfMapsLayersOrNamesAndStaysForFlags)
{
    const struct
    {
        const char *what;
        bool letsGo;
        std::function<void(TwoMaps &)> change;
    } rows[] = {
        {"a layer's flag", false, [](TwoMaps &t) { t.first.roads->setVisible(false); }},
        {"a group's flag", false, [](TwoMaps &t) { t.first.transport->setVisible(false); }},
        {"the focus map", false, [](TwoMaps &t) { t.document->setFocusMap(t.second); }},
        {"a layer renamed", true, [](TwoMaps &t) { t.first.roads->setName(QStringLiteral("Streets")); }},
        {"a group member renamed", true, [](TwoMaps &t) { t.first.rail->setName(QStringLiteral("Tram")); }},
        {"a member two groups deep renamed", true, [](TwoMaps &t) { t.first.foot->setName(QStringLiteral("Walk")); }},
        {"a map renamed", true, [](TwoMaps &t) { t.second->setName(QStringLiteral("Inset")); }},
        {"a layer added", true,
         [](TwoMaps &t) { t.second->addLayer(std::make_shared<FeatureLayer>(QStringLiteral("Roads"))); }},
        {"a layer inserted", true,
         [](TwoMaps &t) { t.first.map->insertLayer(0, std::make_shared<FeatureLayer>(QStringLiteral("Roads"))); }},
        {"a layer removed", true, [](TwoMaps &t) { t.first.map->removeLayer(t.first.parks); }},
        {"a member added", true,
         [](TwoMaps &t) { t.first.transport->addLayer(std::make_shared<FeatureLayer>(QStringLiteral("Bus"))); }},
        {"a member inserted", true,
         [](TwoMaps &t) { t.first.paths->insertLayer(1, std::make_shared<FeatureLayer>(QStringLiteral("Ski"))); }},
        {"a member removed", true, [](TwoMaps &t) { t.first.transport->removeLayer(t.first.rail); }},
        {"a map added", true, [](TwoMaps &t) { t.document->addMap(std::make_shared<Map>(QStringLiteral("Third"))); }},
        {"a map removed", true, [](TwoMaps &t) { t.document->removeMap(t.second); }},
        {"a group added, then its member renamed", true,
         [](TwoMaps &t) {
             auto group = std::make_shared<GroupLayer>(QStringLiteral("Water"));
             auto lakes = std::make_shared<FeatureLayer>(QStringLiteral("Lakes"));
             group->addLayer(lakes);
             t.second->addLayer(group);
             t.document->keepForLayers(std::make_shared<int>(2));
             lakes->setName(QStringLiteral("Ponds"));
         }},
        {"a map added, then its layer renamed", true,
         [](TwoMaps &t) {
             auto map = std::make_shared<Map>(QStringLiteral("Third"));
             auto lakes = std::make_shared<FeatureLayer>(QStringLiteral("Lakes"));
             map->addLayer(lakes);
             t.document->addMap(map);
             t.document->keepForLayers(std::make_shared<int>(2));
             lakes->setName(QStringLiteral("Ponds"));
         }},
    };
    for (const auto &row : rows) {
        TwoMaps t;
        auto kept = std::make_shared<int>(1);
        const std::weak_ptr<int> watched = kept;
        t.document->keepForLayers(std::move(kept));
        EXPECT_EQ(t.document->keptForLayers(), watched.lock()) << row.what;
        row.change(t);
        EXPECT_EQ(watched.expired(), row.letsGo) << row.what;
    }
    // A document that goes lets go of what it kept, also where that holds its layers.
    std::weak_ptr<Layer> roads;
    {
        TwoMaps t;
        roads = t.first.roads;
        t.document->keepForLayers(std::make_shared<std::shared_ptr<Layer>>(t.first.roads));
    }
    EXPECT_TRUE(roads.expired());
}
